#pragma once

#include "modules/AgentConfig.h"
#include "modules/AgentState.h"
#include "modules/AgentView.h"
#include "modules/FolderTree.h"
#include "modules/SelfUpdate.h"
#include "modules/ServerExchange.h"
#include "modules/StatusLog.h"
#include "platform/TransferChannel.h"

#include <cstdint>
#include <optional>
#include <QObject>
#include <QTimer>

// The working part of the main window: the record, the log, the timers, the transfer channels and the
// procedures that the window's commands and timers run. It needs no screen; the window (or the
// command-line run) shows it through AgentView.
class Agent : public QObject {
    Q_OBJECT
public:
    static constexpr int kMainLoopMilliseconds = 36000;
    static constexpr int kIconLoopMilliseconds = 50;

    Agent(AgentState& state, const AgentConfig& config, AgentView& view, QObject* parent = nullptr);

    // Start-up, which also starts the main loop. Returns the exit code when the program must end (first-run
    // setup completed, or the name file could not be read); nothing when the agent runs on.
    std::optional<int> Form_Load();

    void RunServerInfoNow();
    void ReceiveWWWSQL();
    void SendWWWSQL();
    void ProcessAlerts();
    void SyncSystemClock();
    // Throws AgentError when the picture file cannot be read.
    void SetFolderIcons();
    void tmrMainLoop_Timer();
    void tmrIconLoop_Timer();

    // The common bodies of the start and stop commands of the button and the File menu.
    void startMonitoring();
    void stopMonitoring();

    // Whether the last cycle both downloaded the settings and delivered its report. NoInternet alone cannot
    // tell: the update step's report clears it after a failed download.
    bool lastCycleSucceeded() const { return cycleDownloaded && cycleReportDelivered; }

    AgentState& state() const { return state_; }
    const QString& logText() const { return log.text(); }
    void appendLog(const QString& line) { log.append(line); }
    const FolderTree& folderTree() const { return tree; }
    // The main loop runs while monitoring is on; the icon animates while an alert stands.
    bool monitoring() const { return tmrMainLoop.isActive(); }
    bool alertShowing() const { return tmrIconLoop.isActive(); }
    ServerExchange& server() { return exchange; }

private:
    std::optional<int> ReadNameFile();
    void measureAndReport();
    void scanSlot(int k);
    void decideAlert();
    void runUpdateCheck();
    mdlGeneral::DownloadResult downloadUpdate(const QString& url, const QString& targetFile);

    AgentState& state_;
    const AgentConfig config;
    AgentView& view;
    StatusLog log;
    FolderTree tree;
    QTimer tmrMainLoop;
    QTimer tmrIconLoop;
    std::int16_t LoopCount = 0;
    ServerExchange exchange;
    platform::TransferChannel InetTime;
    platform::TransferChannel inetDLUpgrade;
    bool cycleDownloaded = false;
    bool cycleReportDelivered = false;
};
