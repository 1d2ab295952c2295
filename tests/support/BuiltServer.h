#pragma once

#include "Result.h"

#include <QProcess>
#include <QtTest>

// The built kova_server as its own process, so a test can kill it outright and start it again.
struct BuiltServer {
    QProcess process;
    QString url; // http://127.0.0.1:PORT

    // Starts it with `arguments` and waits for the line that says where it listens.
    Result<> start(const QStringList& arguments) {
        process.setProcessChannelMode(QProcess::SeparateChannels);
        process.start(qEnvironmentVariable("KOVA_SERVER_EXE"), arguments);
        if (!process.waitForReadyRead(15000))
            return Failure{QString::fromLocal8Bit(process.readAllStandardError())};
        const QString line = QString::fromUtf8(process.readLine()).trimmed();
        url = line.section(' ', 2);
        if (!line.startsWith(QLatin1String("listening on ")))
            return Failure{line};
        return Result<>::success();
    }

    // SIGKILL: nothing of the server's own shutdown runs.
    void kill() {
        process.kill();
        process.waitForFinished();
    }

    ~BuiltServer() { kill(); }
};

// Runs the built server for one account action and returns what it printed.
inline QString serverAction(const QStringList& arguments) {
    QProcess action;
    action.start(qEnvironmentVariable("KOVA_SERVER_EXE"), arguments);
    action.closeWriteChannel();
    action.waitForFinished(30000);
    return QString::fromUtf8(action.readAllStandardOutput());
}
