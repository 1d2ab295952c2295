#include "modules/AgentConfig.h"

#include "modules/FirstRunSetup.h"

#include <algorithm>
#include <QCommandLineParser>
#include <QUrl>

namespace {

QCommandLineOption addressOption(const QString& name, const QString& what, const QString& fallback) {
    return {name, QStringLiteral("%1 (default %2).").arg(what, fallback), QStringLiteral("URL"), fallback};
}

bool isWebAddress(const QString& text) {
    const QUrl url(text, QUrl::StrictMode);
    return url.isValid() &&
           (url.scheme() == QLatin1String("http") || url.scheme() == QLatin1String("https")) &&
           !url.host().isEmpty();
}

// A name given on the command line is one word with no white space or control character at all: an
// installer's typing error must not end up in the name file.
bool isNameToSet(const QString& name) {
    return mdlGeneral::isOneWordName(name) && std::none_of(name.begin(), name.end(), [](QChar c) {
               return c.isSpace() || c.category() == QChar::Other_Control;
           });
}

#define KOVA_TEXT(x) #x
#define KOVA_NUMBER_TEXT(x) KOVA_TEXT(x)
// The --version answer as one plain literal: the version a build names is in its bytes once, as a whole.
constexpr char kVersionLine[] = KOVA_AGENT_NAME " " KOVA_NUMBER_TEXT(KOVA_VERSION_MAJOR) "." KOVA_NUMBER_TEXT(
    KOVA_VERSION_MINOR) "." KOVA_NUMBER_TEXT(KOVA_VERSION_PATCH);

CommandLine exitWith(int code, const QString& output) {
    return {CommandLine::Action::Exit, code, output, {}, {}};
}

} // namespace

QString agentVersionText() {
    return QString::fromLatin1(kVersionLine).section(u' ', -1);
}

CommandLine parseCommandLine(const QStringList& arguments) {
    const AgentConfig defaults;
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("KOVA Oru System Monitor: the monitoring agent."));
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Show this help and exit."));
    const QCommandLineOption version(QStringLiteral("version"), QStringLiteral("Show the version and exit."));
    const QCommandLineOption once(
        QStringLiteral("once"), QStringLiteral("Start without a window, run one monitoring cycle, print the "
                                               "status log and exit (0 when the settings download and the "
                                               "report succeeded, 1 otherwise, 2 without a computer name)."));
    const QCommandLineOption service(
        QStringLiteral("service"),
        QStringLiteral("Run as a system service: no window and no notification area, every status log line "
                       "and message on standard output, a clean end on SIGTERM (exit 6 without a computer "
                       "name)."));
    const QCommandLineOption server = addressOption(
        QStringLiteral("server-url"), QStringLiteral("Central server endpoint"), defaults.serverUrl);
    const QCommandLineOption update =
        addressOption(QStringLiteral("update-url"), QStringLiteral("Update download"), defaults.updateUrl);
    const QCommandLineOption time =
        addressOption(QStringLiteral("time-url"), QStringLiteral("Web time page"), defaults.timeUrl);
    const QCommandLineOption caFile(QStringLiteral("ca-file"),
                                    QStringLiteral("Also trust the PEM certificate(s) in PATH for HTTPS."),
                                    QStringLiteral("PATH"));
    const QCommandLineOption setName(
        QStringLiteral("set-name"),
        QStringLiteral(
            "Write NAME (one word) as this computer's name into kova.ini beside the program and exit, "
            "without a window or a connection (for installers; exit 1 when it cannot be written)."),
        QStringLiteral("NAME"));
    parser.addOptions({help, version, once, service, server, update, time, caFile, setName});

    if (!parser.parse(arguments))
        return exitWith(2, parser.errorText() + QStringLiteral("\nTry --help.\n"));
    if (parser.isSet(help))
        return exitWith(0, parser.helpText());
    if (parser.isSet(version))
        return exitWith(0, QString::fromLatin1(kVersionLine) + u'\n');
    if (!parser.positionalArguments().isEmpty())
        return exitWith(2, QStringLiteral("Unexpected argument: %1\nTry --help.\n")
                               .arg(parser.positionalArguments().first()));
    if (parser.isSet(once) && parser.isSet(service))
        return exitWith(2, QStringLiteral("--once and --service cannot be used together.\nTry --help.\n"));
    for (const QCommandLineOption& address : {server, update, time}) {
        if (!isWebAddress(parser.value(address)))
            return exitWith(2, QStringLiteral("--%1 needs an http:// or https:// address, not \"%2\".\n")
                                   .arg(address.names().first(), parser.value(address)));
    }

    CommandLine result;
    if (parser.isSet(setName)) {
        if (!isNameToSet(parser.value(setName)))
            return exitWith(
                2, QStringLiteral("--set-name needs one word, not \"%1\".\n").arg(parser.value(setName)));
        result.action = CommandLine::Action::SetName;
        result.name = parser.value(setName);
    }
    result.config = {parser.value(server), parser.value(update), parser.value(time),
                     parser.value(caFile), parser.isSet(once),   arguments.mid(1)};
    result.config.service = parser.isSet(service);
    return result;
}
