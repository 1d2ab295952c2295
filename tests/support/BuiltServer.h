#pragma once

#include "Endpoints.h"
#include "ListeningLine.h"
#include "Result.h"

#include <QProcess>
#include <QtTest>

// The built kova_server (CTest names it in KOVA_SERVER_EXE): the one way tests start it, as a running
// instance or for one command-line action.

// What one command-line action did.
struct ServerRun {
    int code = -1; // -1: it did not end in time
    QString out;
    QString err;
};

// Runs the built server for one action (`input` on its standard input) and waits for its end.
inline ServerRun runServerAction(const QStringList& arguments, const QByteArray& input = {}) {
    QProcess action;
    action.start(qEnvironmentVariable("KOVA_SERVER_EXE"), arguments);
    action.write(input);
    action.closeWriteChannel();
    if (!action.waitForFinished(30000))
        return {-1, {}, QStringLiteral("did not end within 30 s")};
    return {action.exitCode(), QString::fromUtf8(action.readAllStandardOutput()),
            QString::fromUtf8(action.readAllStandardError())};
}

// The built server as its own process, so a test can kill it outright and start it again.
struct BuiltServer {
    QProcess process;
    QString url; // http://127.0.0.1:PORT (https with --tls-cert)

    // Starts it with `arguments` and waits for the line that says where it listens; a failure says what
    // it printed instead.
    Result<> start(const QStringList& arguments) {
        process.setProcessChannelMode(QProcess::SeparateChannels);
        process.start(qEnvironmentVariable("KOVA_SERVER_EXE"), arguments);
        if (!process.waitForReadyRead(15000))
            return Failure{process.errorString() + QString::fromLocal8Bit(process.readAllStandardError())};
        const QString line = QString::fromUtf8(process.readLine()).trimmed();
        url = wire::listeningAddress(line);
        if (url.isEmpty())
            return Failure{line};
        return Result<>::success();
    }

    // Where agents exchange.
    QString endpoint() const { return url + wire::kExchangePath; }

    // SIGKILL: nothing of the server's own shutdown runs.
    void kill() {
        process.kill();
        process.waitForFinished();
    }

    ~BuiltServer() { kill(); }
};
