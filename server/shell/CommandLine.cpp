#include "shell/CommandLine.h"

#include "domain/ReceiverAddress.h"

#include <functional>
#include <QCommandLineParser>
#include <QFile>

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
const QCommandLineOption
    kNewDatabase(QStringLiteral("new-database"),
                 QStringLiteral("Set up an empty database when --database names none (or an empty one). "
                                "Without it a missing database is refused, so a lost one is never replaced "
                                "unnoticed."));
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
    kEnrol(QStringLiteral("enrol"),
           QStringLiteral("Who may enrol: open (any new name gets a key at first contact), "
                          "approve (new names wait for --approve; default) or closed."),
           QStringLiteral("POLICY"), QStringLiteral("approve"));
const QCommandLineOption kKeepDays(QStringLiteral("keep-days"),
                                   QStringLiteral("Days of report history kept (default 90)."),
                                   QStringLiteral("N"), QStringLiteral("90"));
const QCommandLineOption
    kReportInterval(QStringLiteral("report-interval"),
                    QStringLiteral("Seconds in which one computer may store two reports (default 10); a "
                                   "third is answered 429. 0 stores every report."),
                    QStringLiteral("SECONDS"), QStringLiteral("10"));
const QCommandLineOption
    kMaxConnections(QStringLiteral("max-connections"),
                    QStringLiteral("Connections open at once, all clients together (default 4096); "
                                   "beyond it new ones are closed on arrival."),
                    QStringLiteral("COUNT"), QStringLiteral("4096"));
const QCommandLineOption kApprove(QStringLiteral("approve"),
                                  QStringLiteral("Admit the pending computer NAME, then end."),
                                  QStringLiteral("NAME"));
const QCommandLineOption
    kResetKey(QStringLiteral("reset-key"),
              QStringLiteral("Withdraw the key of computer NAME (it enrols again), then end."),
              QStringLiteral("NAME"));
const QCommandLineOption
    kListPending(QStringLiteral("list-pending"),
                 QStringLiteral("List the computers waiting for approval (name, time asked, address, "
                                "key fingerprint), then end."));
const QCommandLineOption
    kAllowKeyless(QStringLiteral("allow-keyless"),
                  QStringLiteral("Let computer NAME report and fetch settings without a key (for agents "
                                 "that cannot send one), then end."),
                  QStringLiteral("NAME"));
const QCommandLineOption kRequireKey(QStringLiteral("require-key"),
                                     QStringLiteral("Undo --allow-keyless for computer NAME, then end."),
                                     QStringLiteral("NAME"));
const QCommandLineOption
    kTrustedProxy(QStringLiteral("trusted-proxy"),
                  QStringLiteral("Address or subnet of a front server (nginx) whose X-Forwarded-For header "
                                 "names the client; may be repeated. Default: none, the peer is the client."),
                  QStringLiteral("ADDRESS"));

Result<> readTrustedProxies(const QCommandLineParser& parser, ServerOptions& options) {
    for (const QString& value : parser.values(kTrustedProxy)) {
        if (!addTrustedProxy(value, options.trustedProxies)) {
            return Failure{
                QStringLiteral("--trusted-proxy needs an IP address or subnet, not \"%1\"").arg(value)};
        }
    }
    return Result<>::success();
}

const QCommandLineOption
    kAddOperator(QStringLiteral("add-operator"),
                 QStringLiteral("Add (or reset) a console operator, reading the password "
                                "from standard input, then end."),
                 QStringLiteral("NAME"));
const QCommandLineOption kAddToken(QStringLiteral("add-token"),
                                   QStringLiteral("Add an API token and print it once, then end."),
                                   QStringLiteral("NAME"));
const QCommandLineOption kRole(QStringLiteral("role"),
                               QStringLiteral("Role of the operator or token: admin or viewer."),
                               QStringLiteral("ROLE"));

const QCommandLineOption
    kMetricsAllow(QStringLiteral("metrics-allow"),
                  QStringLiteral("Address or range (CIDR) allowed to read /metrics without an API token; "
                                 "repeatable."),
                  QStringLiteral("CIDR"));
const QCommandLineOption
    kWebhook(QStringLiteral("webhook"),
             QStringLiteral("Receiver of event notifications (http or https URL); repeatable."),
             QStringLiteral("URL"));
const QCommandLineOption
    kWebhookSecret(QStringLiteral("webhook-secret"),
                   QStringLiteral("Shared secret that signs each notification (visible to local users: "
                                  "prefer --webhook-secret-file)."),
                   QStringLiteral("TEXT"));
const QCommandLineOption kWebhookSecretFile(QStringLiteral("webhook-secret-file"),
                                            QStringLiteral("File whose first line is the shared secret."),
                                            QStringLiteral("FILE"));
const QCommandLineOption
    kSilenceCheck(QStringLiteral("silence-check"),
                  QStringLiteral("Seconds between looks for computers gone silent (default 60)."),
                  QStringLiteral("SECONDS"), QStringLiteral("60"));

Result<> readAccount(const QCommandLineParser& parser, ServerOptions& options) {
    if (parser.isSet(kAddOperator) && parser.isSet(kAddToken)) {
        return Failure{QStringLiteral("--add-operator and --add-token cannot be given together")};
    }
    if (!parser.isSet(kAddOperator) && !parser.isSet(kAddToken)) {
        if (parser.isSet(kRole)) {
            return Failure{QStringLiteral("--role goes with --add-operator or --add-token")};
        }
        return Result<>::success();
    }
    const auto role = roleFromText(parser.value(kRole));
    if (!role) {
        return Failure{QStringLiteral("--role needs admin or viewer, not \"%1\"").arg(parser.value(kRole))};
    }
    const bool isOperator = parser.isSet(kAddOperator);
    options.account =
        AccountAction{isOperator ? AccountAction::Kind::AddOperator : AccountAction::Kind::AddToken,
                      parser.value(isOperator ? kAddOperator : kAddToken), *role};
    return Result<>::success();
}

Result<> readAddress(const QCommandLineParser& parser, ServerOptions& options) {
    if (options.address.setAddress(parser.value(kListen)))
        return Result<>::success();
    return Failure{QStringLiteral("--listen needs an IP address, not \"%1\"").arg(parser.value(kListen))};
}

Result<> readPort(const QCommandLineParser& parser, ServerOptions& options) {
    bool ok = false;
    const uint port = parser.value(kPort).toUInt(&ok);
    if (ok && port <= 65535) {
        options.port = static_cast<quint16>(port);
        return Result<>::success();
    }
    return Failure{
        QStringLiteral("--port needs a number from 0 to 65535, not \"%1\"").arg(parser.value(kPort))};
}

Result<> readTls(const QCommandLineParser& parser, ServerOptions& options) {
    if (parser.isSet(kTlsCert) != parser.isSet(kTlsKey)) {
        return Failure{QStringLiteral("--tls-cert and --tls-key must be given together")};
    }
    options.tlsCertificateFile = parser.value(kTlsCert);
    options.tlsKeyFile = parser.value(kTlsKey);
    return Result<>::success();
}

Result<> readEnrolment(const QCommandLineParser& parser, ServerOptions& options) {
    const auto policy = enrolmentPolicyFromText(parser.value(kEnrol));
    if (policy) {
        options.enrolment = *policy;
        return Result<>::success();
    }
    return Failure{
        QStringLiteral("--enrol needs open, approve or closed, not \"%1\"").arg(parser.value(kEnrol))};
}

Result<> readKeepDays(const QCommandLineParser& parser, ServerOptions& options) {
    bool ok = false;
    options.keepDays = parser.value(kKeepDays).toInt(&ok);
    if (ok && options.keepDays >= 1)
        return Result<>::success();
    return Failure{QStringLiteral("--keep-days needs a whole number of days from 1, not \"%1\"")
                       .arg(parser.value(kKeepDays))};
}

Result<> readReportInterval(const QCommandLineParser& parser, ServerOptions& options) {
    bool ok = false;
    options.reportIntervalSeconds = parser.value(kReportInterval).toInt(&ok);
    if (ok && options.reportIntervalSeconds >= 0 && options.reportIntervalSeconds <= 3600)
        return Result<>::success();
    return Failure{QStringLiteral("--report-interval needs a number of seconds from 0 to 3600, not \"%1\"")
                       .arg(parser.value(kReportInterval))};
}

Result<> readMaxConnections(const QCommandLineParser& parser, ServerOptions& options) {
    bool ok = false;
    options.edge.total = parser.value(kMaxConnections).toInt(&ok);
    if (ok && options.edge.total >= 1 && options.edge.total <= 1'000'000)
        return Result<>::success();
    return Failure{QStringLiteral("--max-connections needs a number from 1 to 1000000, not \"%1\"")
                       .arg(parser.value(kMaxConnections))};
}

// At most one action per run, so that a mistyped line never does two things.
Result<> readAction(const QCommandLineParser& parser, OperatorAction& action) {
    using Kind = OperatorAction::Kind;
    const std::pair<const QCommandLineOption*, Kind> actions[] = {{&kApprove, Kind::Approve},
                                                                  {&kResetKey, Kind::ResetKey},
                                                                  {&kListPending, Kind::ListPending},
                                                                  {&kAllowKeyless, Kind::AllowKeyless},
                                                                  {&kRequireKey, Kind::RequireKey}};
    for (const auto& [option, kind] : actions) {
        if (!parser.isSet(*option))
            continue;
        if (action.kind != Kind::None) {
            return Failure{
                QStringLiteral("give one of --approve, --reset-key, --list-pending, --allow-keyless and "
                               "--require-key at a time")};
        }
        action.kind = kind;
        action.name = parser.value(*option);
    }
    return Result<>::success();
}

Result<> readMetricsAllow(const QCommandLineParser& parser, AlertingOptions& options) {
    for (const QString& text : parser.values(kMetricsAllow)) {
        const auto range = readAddressRange(text);
        if (!range) {
            return Failure{
                QStringLiteral("--metrics-allow needs an address or a range such as 10.0.0.0/8, not \"%1\"")
                    .arg(text)};
        }
        options.metricsAllow << *range;
    }
    return Result<>::success();
}

Result<> readWebhookSecret(const QCommandLineParser& parser, AlertingOptions& options) {
    if (parser.isSet(kWebhookSecretFile)) {
        QFile file(parser.value(kWebhookSecretFile));
        if (!file.open(QIODevice::ReadOnly)) {
            return Failure{QStringLiteral("--webhook-secret-file %1 cannot be read: %2")
                               .arg(file.fileName(), file.errorString())};
        }
        options.webhookSecret = file.readLine().trimmed();
    } else {
        options.webhookSecret = parser.value(kWebhookSecret).toUtf8();
    }
    if (options.webhooks.isEmpty() || !options.webhookSecret.isEmpty())
        return Result<>::success();
    return Failure{
        QStringLiteral("--webhook needs a shared secret (--webhook-secret-file or --webhook-secret) so "
                       "that receivers can tell the notifications come from this server")};
}

Result<> readAlerting(const QCommandLineParser& parser, AlertingOptions& options) {
    for (const QString& text : parser.values(kWebhook)) {
        const auto url = receiverAddress(text, QStringLiteral("--webhook"));
        if (!url)
            return Failure{url.reason()};
        options.webhooks << *url;
    }
    bool ok = false;
    const int seconds = parser.value(kSilenceCheck).toInt(&ok);
    if (!ok || seconds < 1 || seconds > 3600) {
        return Failure{QStringLiteral("--silence-check needs a number of seconds from 1 to 3600, not \"%1\"")
                           .arg(parser.value(kSilenceCheck))};
    }
    options.silenceCheck = std::chrono::seconds(seconds);
    if (auto allowed = readMetricsAllow(parser, options); !allowed)
        return allowed;
    return readWebhookSecret(parser, options);
}

} // namespace

Result<ServerOptions> readCommandLine(const QCoreApplication& app, OperatorAction& action) {
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("KOVA Oru central server"));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOptions(
        {kListen,        kPort,         kDatabase,      kNewDatabase,       kUpdates,      kTlsCert,
         kTlsKey,        kTrustedProxy, kEnrol,         kKeepDays,          kApprove,      kResetKey,
         kListPending,   kAllowKeyless, kRequireKey,    kAddOperator,       kAddToken,     kRole,
         kMetricsAllow,  kWebhook,      kWebhookSecret, kWebhookSecretFile, kSilenceCheck, kMaxConnections,
         kReportInterval});
    parser.process(app);

    ServerOptions options;
    options.databaseFile = parser.value(kDatabase);
    options.newDatabase = parser.isSet(kNewDatabase);
    options.updatesFolder = parser.value(kUpdates);
    const std::function<Result<>()> steps[] = {[&] { return readAddress(parser, options); },
                                               [&] { return readPort(parser, options); },
                                               [&] { return readTls(parser, options); },
                                               [&] { return readTrustedProxies(parser, options); },
                                               [&] { return readEnrolment(parser, options); },
                                               [&] { return readKeepDays(parser, options); },
                                               [&] { return readMaxConnections(parser, options); },
                                               [&] { return readReportInterval(parser, options); },
                                               [&] { return readAction(parser, action); },
                                               [&] { return readAccount(parser, options); },
                                               [&] { return readAlerting(parser, options.alerting); }};
    for (const auto& step : steps) {
        if (const auto read = step(); !read)
            return Failure{read.reason()};
    }
    return options;
}

} // namespace server
