#pragma once

#include <QString>
#include <QStringList>

// What the command line decides for one run of the agent. The addresses default to the ones compiled in.
struct AgentConfig {
    QString serverUrl = QStringLiteral(KOVA_SERVER_URL);
    QString updateUrl = QStringLiteral(KOVA_UPDATE_URL);
    QString timeUrl = QStringLiteral(KOVA_TIME_URL);
    QString caFile;
    bool once = false;
    QStringList arguments; // as given, without the program name: a restarted agent gets the same
    bool service = false;  // run by a service manager: lines on standard output, no window
};

struct CommandLine {
    enum class Action { Run, Exit, SetName };
    Action action = Action::Run;
    int exitCode = 0;
    QString output; // text for standard output (help, version) or standard error (a usage error)
    AgentConfig config;
    QString name; // SetName: the computer name to write, as given
};

// Reads the arguments (the program name first). Help and version end the run with exit code 0, a bad
// argument with exit code 2 and a message naming it.
CommandLine parseCommandLine(const QStringList& arguments);

QString agentVersionText(); // major.minor.revision
