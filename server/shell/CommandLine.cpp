#include "shell/CommandLine.h"

#include <QCommandLineParser>

namespace server {
namespace {

const QCommandLineOption kListen(QStringLiteral("listen"),
                                 QStringLiteral("Address to listen on (default 127.0.0.1)."),
                                 QStringLiteral("ADDRESS"), QStringLiteral("127.0.0.1"));
const QCommandLineOption kPort(QStringLiteral("port"),
                               QStringLiteral("Port to listen on; 0 picks a free one (default 8080)."),
                               QStringLiteral("N"), QStringLiteral("8080"));
const QCommandLineOption kDatabase(QStringLiteral("database"),
                                   QStringLiteral("SQLite database file (default kova-server.sqlite), or "
                                                  "postgresql://USER@HOST:PORT/DBNAME."),
                                   QStringLiteral("FILE|URL"), QStringLiteral("kova-server.sqlite"));
const QCommandLineOption kUpdates(QStringLiteral("updates"),
                                  QStringLiteral("Folder holding the published agent KOVA_Oru.exe."),
                                  QStringLiteral("DIR"));
const QCommandLineOption
    kTlsCert(QStringLiteral("tls-cert"),
             QStringLiteral("PEM certificate (chain) file; with --tls-key, serve HTTPS."),
             QStringLiteral("FILE"));
const QCommandLineOption kTlsKey(QStringLiteral("tls-key"),
                                 QStringLiteral("Unencrypted PEM private key file."), QStringLiteral("FILE"));

const QCommandLineOption
    kTrustedProxy(QStringLiteral("trusted-proxy"),
                  QStringLiteral("Address or subnet of a front server (nginx) whose X-Forwarded-For header "
                                 "names the client; may be repeated. Default: none, the peer is the client."),
                  QStringLiteral("ADDRESS"));

bool readTrustedProxies(const QCommandLineParser& parser, ServerOptions& options, QString* error) {
    for (const QString& value : parser.values(kTrustedProxy)) {
        if (!addTrustedProxy(value, options.trustedProxies)) {
            *error = QStringLiteral("--trusted-proxy needs an IP address or subnet, not \"%1\"").arg(value);
            return false;
        }
    }
    return true;
}

bool readAddress(const QCommandLineParser& parser, ServerOptions& options, QString* error) {
    if (options.address.setAddress(parser.value(kListen)))
        return true;
    *error = QStringLiteral("--listen needs an IP address, not \"%1\"").arg(parser.value(kListen));
    return false;
}

bool readPort(const QCommandLineParser& parser, ServerOptions& options, QString* error) {
    bool ok = false;
    const uint port = parser.value(kPort).toUInt(&ok);
    if (ok && port <= 65535) {
        options.port = static_cast<quint16>(port);
        return true;
    }
    *error = QStringLiteral("--port needs a number from 0 to 65535, not \"%1\"").arg(parser.value(kPort));
    return false;
}

bool readTls(const QCommandLineParser& parser, ServerOptions& options, QString* error) {
    if (parser.isSet(kTlsCert) != parser.isSet(kTlsKey)) {
        *error = QStringLiteral("--tls-cert and --tls-key must be given together");
        return false;
    }
    options.tlsCertificateFile = parser.value(kTlsCert);
    options.tlsKeyFile = parser.value(kTlsKey);
    return true;
}

} // namespace

std::optional<ServerOptions> readCommandLine(const QCoreApplication& app, QString* error) {
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("KOVA Oru central server"));
    parser.addHelpOption();
    parser.addOptions({kListen, kPort, kDatabase, kUpdates, kTlsCert, kTlsKey, kTrustedProxy});
    parser.process(app);

    ServerOptions options;
    options.databaseFile = parser.value(kDatabase);
    options.updatesFolder = parser.value(kUpdates);
    if (!readAddress(parser, options, error) || !readPort(parser, options, error) ||
        !readTls(parser, options, error) || !readTrustedProxies(parser, options, error))
        return std::nullopt;
    return options;
}

} // namespace server
