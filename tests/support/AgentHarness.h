#pragma once

#include "Endpoints.h"
#include "modules/Agent.h"
#include "support/MachineFakes.h"

#include <memory>
#include <QFile>

// Remembers what the agent showed, in the order it showed it.
class RecordingView : public AgentView {
public:
    QStringList calls;
    QStringList logs; // the whole log after each change
    QString serverMessage;
    QList<bool> scanNowChanges;
    FolderTree shownTree;
    std::optional<int> setupAnswer = 2;
    std::function<void()> duringSetup;

    void showLog(const QString& text) override { logs << text; }
    void showServerMessage(const QString& text) override { serverMessage = text; }
    void setScanNowEnabled(bool enabled) override { scanNowChanges << enabled; }
    void showVersion(const QString& caption) override { calls << QStringLiteral("version ") + caption; }
    void showFolderTree(const FolderTree& tree) override { shownTree = tree; }
    void minimiseWindow() override { calls << QStringLiteral("minimise"); }
    void disableCloseMenu() override { calls << QStringLiteral("disableCloseMenu"); }
    void removeTrayIcon() override { calls << QStringLiteral("removeTrayIcon"); }
    std::optional<int> runFirstRunSetup() override {
        calls << QStringLiteral("setup");
        if (duringSetup)
            duringSetup();
        return setupAnswer;
    }
};

// An agent, with its name file, among the machine's fakes.
class AgentHarness : public MachineFakes {
public:
    explicit AgentHarness(const QString& serverUrl, const QString& computerName = QStringLiteral("SRV01")) {
        QFile nameFile(folder.filePath(QStringLiteral("kova.ini")));
        if (!computerName.isEmpty() && nameFile.open(QIODevice::WriteOnly))
            nameFile.write(computerName.toLocal8Bit());
        config.serverUrl = serverUrl;
        config.timeUrl = QStringLiteral("http://127.0.0.1:9") + wire::kTimePath;
        config.updateUrl = QStringLiteral("http://127.0.0.1:9") + wire::kUpdatePath;
        agent = std::make_unique<Agent>(state, config, view);
    }
    ~AgentHarness() { agent.reset(); }

    RecordingView view;
    AgentState state;
    AgentConfig config;
    std::unique_ptr<Agent> agent;
};
