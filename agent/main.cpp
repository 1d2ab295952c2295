#include "forms/frmMain.h"
#include "forms/ScreenMessageBox.h"
#include "modules/Agent.h"
#include "modules/AgentConfig.h"
#include "modules/HeadlessView.h"

#include <cstdio>
#include <memory>
#include <QApplication>

namespace {

// --ca-file: trusted from the first request on, for private deployments and tests.
bool trustExtraCertificates(const AgentConfig& config) {
    QString error;
    if (config.caFile.isEmpty() || platform::TransferChannel::addTrustedCertificates(config.caFile, &error))
        return true;
    std::fprintf(stderr, "--ca-file: %s\n", qPrintable(error));
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
    QString log = agent.log.text();
    std::fputs(qPrintable(log.replace(QStringLiteral("\r\n"), QStringLiteral("\n"))), stdout);
    std::fputs("\n", stdout);
    return agent.lastCycleSucceeded() ? 0 : 1;
}

int runWindow(int argc, char** argv, const AgentConfig& config) {
    QApplication app(argc, argv);
    app.setQuitOnLastWindowClosed(false);
    if (!trustExtraCertificates(config))
        return 2;
    static ScreenMessageBox onScreen;
    platform::Seam<platform::MessageBox>::replace(&onScreen);
    auto window = std::make_unique<frmMain>(AgentState::instance(), config);
    if (auto end = window->agent.Form_Load())
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
    if (command.action == CommandLine::Action::Exit) {
        std::fputs(qPrintable(command.output), command.exitCode == 0 ? stdout : stderr);
        return command.exitCode;
    }
    return command.config.once ? runOnce(argc, argv, command.config) : runWindow(argc, argv, command.config);
}
