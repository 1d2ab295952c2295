#include "ListeningLine.h"
#include "shell/AccountActions.h"
#include "shell/CentralServer.h"
#include "shell/CommandLine.h"
#include "shell/LocalZone.h"
#include "shell/OpenFileLimit.h"

#include <QCoreApplication>
#include <QTextStream>

namespace {

int failure(const QString& error) {
    QTextStream(stderr) << "kova_server: " << error << Qt::endl;
    return 1;
}

} // namespace

int main(int argc, char** argv) {
    server::settleLocalZone();
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("kova_server"));
    QCoreApplication::setApplicationVersion(QStringLiteral(KOVA_SERVER_VERSION));

    server::OperatorAction action;
    auto options = server::readCommandLine(app, action);
    if (!options)
        return failure(options.reason());
    if (options->account) {
        QTextStream input(stdin);
        QTextStream output(stdout);
        const auto done = server::runAccountAction(*options, input, output);
        return done ? 0 : failure(done.reason());
    }
    if (action.kind != server::OperatorAction::Kind::None) {
        QTextStream out(stdout);
        QTextStream err(stderr);
        return server::runOperatorAction(action, options->databaseFile, options->creation(), out, err);
    }
    const auto room = server::fitToOpenFileLimit(options->edge.total);
    if (!room.warning.isEmpty())
        QTextStream(stderr) << "kova_server: " << room.warning << Qt::endl;
    options->edge.total = room.connections;
    server::CentralServer central;
    if (const auto started = central.start(*options); !started)
        return failure(started.reason());
    // Tests and scripts read this line to learn the port, so it always comes first and is flushed at once.
    QTextStream(stdout) << wire::listeningLine(central.url().toString()) << Qt::endl;
    return app.exec();
}
