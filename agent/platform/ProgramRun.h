#pragma once

#include <chrono>
#include <QByteArray>
#include <QString>
#include <QStringList>

namespace platform {

// How a program run to its end went.
struct ProgramRun {
    bool started = false;
    bool timedOut = false; // killed at the limit
    bool crashed = false;  // ended by a signal or an exception of the system
    int exitCode = -1;
    QByteArray output; // standard output
    QString error;     // why it could not start or what ended it
};

// Runs `program` and waits for it, at most `limit`; a program still running then is killed. Blocks the
// calling thread.
ProgramRun runToEnd(const QString& program, const QStringList& arguments, std::chrono::milliseconds limit);

} // namespace platform
