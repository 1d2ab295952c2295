#include "forms/frmMain.h"
#include "forms/ScreenMessageBox.h"
#include "modules/Agent.h"
#include "modules/AgentConfig.h"
#include "modules/HeadlessView.h"
#include "modules/NameFile.h"
#include "modules/ServiceView.h"
#include "platform/ParentConsole.h"
#include "platform/ProcessEnd.h"
#include "platform/ServiceOutput.h"
#include "platform/StopSignals.h"

#include <cstdio>
#include <memory>
#include <QApplication>

namespace {

// --ca-file: trusted from the first request on, for private deployments and tests.
bool trustExtraCertificates(const AgentConfig& config) {
    if (config.caFile.isEmpty())
        return true;
    const Result<> trusted = platform::TransferChannel::addTrustedCertificates(config.caFile);
    if (trusted)
        return true;
    std::fprintf(stderr, "--ca-file: %s\n", qPrintable(trusted.reason()));
    return false;
}

int runOnce(int argc, char** argv, const AgentConfig& config) {
    QCoreApplication app(argc, argv);
    if (!trustExtraCertificates(config))
        return 2;
    HeadlessView view;
    Agent agent(AgentState::instance(), config, view);
    if (auto end = agent.Form_Load())
        return *end;
    QString log = agent.logText();
    std::fputs(qPrintable(log.replace(QStringLiteral("\r\n"), QStringLiteral("\n"))), stdout);
    std::fputs("\n", stdout);
    return agent.lastCycleSucceeded() ? 0 : 1;
}

// For installers: no window and no connection, only the name file beside the program.
int runSetName(int argc, char** argv, const QString& name) {
    const QCoreApplication app(argc, argv); // it knows where the program lives
    const Result<> written = mdlGeneral::WriteNameFile(name, AgentState::instance());
    if (!written)
        std::fprintf(stderr, "--set-name: %s\n", qPrintable(written.reason()));
    return written ? 0 : 1;
}

// Start-up, then the timer-driven cycles until the service manager stops the agent. The stop may come
// while a cycle waits for a transfer, so the agent ends from where it waits rather than unwinding the cycle.
int runService(int argc, char** argv, const AgentConfig& config) {
    QCoreApplication app(argc, argv);
    if (!trustExtraCertificates(config))
        return 2;
    static ServiceView view(platform::writeServiceLine);
    platform::Seam<platform::MessageBox>::replace(&view);
    platform::StopSignals stop;
    QObject::connect(&stop, &platform::StopSignals::stopRequested, [](const QString& signalName) {
        view.writeLine(QStringLiteral("KOVA Oru stops (%1).").arg(signalName));
        platform::endProcess(0);
    });
    Agent agent(AgentState::instance(), config, view);
    if (auto end = agent.Form_Load())
        return *end;
    return app.exec();
}

int runWindow(int argc, char** argv, const AgentConfig& config) {
    QApplication app(argc, argv);
    app.setQuitOnLastWindowClosed(false);
    if (!trustExtraCertificates(config))
        return 2;
    static ScreenMessageBox onScreen;
    platform::Seam<platform::MessageBox>::replace(&onScreen);
    auto window = std::make_unique<frmMain>(AgentState::instance(), config);
    if (auto end = window->agent().Form_Load())
        return *end;
    return app.exec();
}

} // namespace

int main(int argc, char** argv) {
    // The pictures live in the window library, which the linker would otherwise leave out.
    Q_INIT_RESOURCE(resources);
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const CommandLine command = parseCommandLine(arguments);
    // Only runs that print: a window attached to a console would end when that console is closed.
    if (command.action != CommandLine::Action::Run || command.config.once || command.config.service)
        platform::useParentConsole();
    if (command.action == CommandLine::Action::Exit) {
        std::fputs(qPrintable(command.output), command.exitCode == 0 ? stdout : stderr);
        return command.exitCode;
    }
    if (command.action == CommandLine::Action::SetName)
        return runSetName(argc, argv, command.name);
    if (command.config.service)
        return runService(argc, argv, command.config);
    return command.config.once ? runOnce(argc, argv, command.config) : runWindow(argc, argv, command.config);
}
