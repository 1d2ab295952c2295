#include "modules/Agent.h"

#include "modules/AgentError.h"
#include "modules/ClockPage.h"
#include "modules/DriveInfo.h"
#include "modules/LocalDateTime.h"
#include "modules/LogLines.h"
#include "modules/mdlSystemTray.h"
#include "modules/NameFile.h"
#include "modules/OsInfo.h"
#include "modules/RebootSequence.h"
#include "modules/TickRule.h"
#include "platform/Clock.h"
#include "platform/EventWait.h"
#include "platform/LocalAddress.h"
#include "platform/MessageBox.h"
#include "platform/ProcessEnd.h"

#include <QDir>

using namespace std::chrono_literals;

Agent::Agent(AgentState& state, const AgentConfig& config, AgentView& view, QObject* parent)
    : QObject(parent), state_(state), config(config), view(view),
      exchange(state, log, view, config.serverUrl), InetTime(15s), inetDLUpgrade(60s) {
    InetTime.URL = config.timeUrl;
    inetDLUpgrade.URL = config.updateUrl;
    log.onChange = [this](const QString& text) { this->view.showLog(text); };
    tmrMainLoop.setInterval(kMainLoopMilliseconds);
    connect(&tmrMainLoop, &QTimer::timeout, this, &Agent::tmrMainLoop_Timer);
    tmrIconLoop.setInterval(kIconLoopMilliseconds);
    connect(&tmrIconLoop, &QTimer::timeout, this, &Agent::tmrIconLoop_Timer);
    // Cycles run on a tree with its root; the window shows it from start-up on.
    tree.addRoot();
}

std::optional<int> Agent::Form_Load() {
    if (auto end = ReadNameFile())
        return end;
    log.setText(QStringLiteral("Loading..."));
    if (const QString repaired = mdlGeneral::repairInterruptedUpdate(); !repaired.isEmpty())
        log.append(repaired);
    view.showVersion(QStringLiteral("Version No. %1.%2 Build: %3")
                         .arg(KOVA_VERSION_MAJOR)
                         .arg(KOVA_VERSION_MINOR)
                         .arg(KOVA_VERSION_PATCH));
    SyncSystemClock();
    state_.NoInternet = false;
    mdlSystemTray::AddTrayIcon(view);
    state_.TrayFrame = 1;
    view.minimiseWindow();
    view.showFolderTree(tree);
    view.disableCloseMenu();
    ReceiveWWWSQL();
    // A once run is one cycle: a slow reply must not let the timer start a second one inside it.
    if (!config.once)
        tmrMainLoop.start();
    RunServerInfoNow();
    return std::nullopt;
}

std::optional<int> Agent::ReadNameFile() {
    const mdlGeneral::NameFileContent content = mdlGeneral::readNameFileContent();
    switch (content.kind) {
    case mdlGeneral::NameFileContent::Kind::Name:
        state_.ComputerName = content.name;
        return std::nullopt;
    case mdlGeneral::NameFileContent::Kind::Unreadable:
        platform::MessageBox::inform(
            QStringLiteral("KOVA Oru cannot read this computer's name from %1 (%2). "
                           "Make the file readable, then start KOVA Oru again.")
                .arg(QDir::toNativeSeparators(mdlGeneral::nameFilePath()), content.reason),
            platform::MessageBox::kApplicationTitle, platform::BoxIcon::Critical);
        return 2;
    case mdlGeneral::NameFileContent::Kind::Missing:
        break;
    }
    // No cycle may run while setup asks for the name.
    tmrMainLoop.stop();
    return view.runFirstRunSetup();
}

void Agent::RunServerInfoNow() {
    view.setScanNowEnabled(false);
    log.clear();
    cycleReportDelivered = false;
    cycleUpdateFailed = false;
    ReceiveWWWSQL();
    cycleDownloaded = !state_.NoInternet;
    state_.IP = platform::localIpAddress();
    if (state_.NoInternet)
        log.appendRaw(QStringLiteral("NO INTERNET CONNECTION.  WILL RETRY."));
    else
        measureAndReport();
    if (state_.RebootDue)
        mdlRebootServer::runRebootSequence(
            state_, [this](const QString& line) { log.append(line); }, [this] { SendWWWSQL(); },
            platform::now());
    state_.RebootDue = false;
    runUpdateCheck();
    view.setScanNowEnabled(true);
}

void Agent::measureAndReport() {
    mdlGetServerInfo::GetDriveInfo(state_);
    mdlGetServerInfo::GetOSInfo(state_);
    ProcessAlerts();
    try {
        SetFolderIcons();
    } catch (const AgentError& error) {
        // The cycle has no trap of its own here; one line tells the operator and the report still goes out.
        log.append(QStringLiteral("Status picture not shown: %1.")
                       .arg(escapeControlCharacters(QString::fromStdString(error.what()))));
    }
    SendWWWSQL();
}

void Agent::runUpdateCheck() {
    const QDateTime now = platform::now();
    if (!updateCheckDue(state_.CheckUpdate, now))
        return;
    state_.CheckUpdate = formatGeneralDateTime(now.addDays(1));
    SendWWWSQL();
    platform::processPendingEvents();
    using mdlGeneral::UpgradeOutcome;
    const UpgradeOutcome outcome = mdlGeneral::CheckForUpgrade(
        inetDLUpgrade.URL, config.arguments,
        [this](const QString& url, const QString& file, qint64 bound) {
            return downloadUpdate(url, file, bound);
        },
        [this](const QString& line) { log.append(line); },
        [this] {
            view.removeTrayIcon();
            // A once run ends by itself, after printing its log.
            if (!config.once)
                platform::endProcess(0);
        });
    cycleUpdateFailed = outcome == UpgradeOutcome::Refused || outcome == UpgradeOutcome::Failed;
}

mdlGeneral::DownloadResult Agent::downloadUpdate(const QString& url, const QString& targetFile,
                                                 qint64 sizeBound) {
    inetDLUpgrade.Download(url, targetFile, sizeBound);
    inetDLUpgrade.waitUntilDone();
    return {inetDLUpgrade.httpStatus(), inetDLUpgrade.errorText()};
}

void Agent::SyncSystemClock() {
    InetTime.Execute(InetTime.URL);
    InetTime.waitUntilDone();
    mdlGeneral::applyClockPage(InetTime.GetChunk());
}

void Agent::tmrMainLoop_Timer() {
    tmrMainLoop.stop();
    if (countTick(LoopCount, state_.SettingTime))
        RunServerInfoNow();
    tmrMainLoop.start();
}

void Agent::tmrIconLoop_Timer() {
    tmrIconLoop.stop();
    mdlSystemTray::AnimateTrayIcon(view, state_);
    tmrIconLoop.start();
}

void Agent::ReceiveWWWSQL() {
    exchange.ReceiveWWWSQL();
}

void Agent::SendWWWSQL() {
    if (exchange.SendWWWSQL())
        cycleReportDelivered = true;
}

void Agent::startMonitoring() {
    tmrMainLoop.start();
    view.showMonitoring(true);
    RunServerInfoNow();
}

void Agent::stopMonitoring() {
    tmrMainLoop.stop();
    view.showMonitoring(false);
}
