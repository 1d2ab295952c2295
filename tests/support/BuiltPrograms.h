#pragma once

// The built agent and central server (CTest names them in KOVA_AGENT_EXE and KOVA_SERVER_EXE), for tests that
// run them as programs.
#include "Endpoints.h"
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QString>
#include <QStringList>

// Copies the built agent and its pictures into `folder`, so that a name file written there belongs to the
// copy. Returns the copy's path, or an empty text when a file could not be copied.
inline QString copyBuiltAgent(const QString& folder) {
    const QFileInfo built(qEnvironmentVariable("KOVA_AGENT_EXE"));
    for (const QString& name :
         {built.fileName(), QStringLiteral("CheckMark.gif"), QStringLiteral("XMark.gif")}) {
        if (!QFile::copy(built.absoluteDir().filePath(name), QDir(folder).filePath(name)))
            return {};
    }
    return QDir(folder).filePath(built.fileName());
}

// Starts the built server and waits for the line that says where it listens. Returns the agents' endpoint
// there, or an empty text with what the server printed in *said.
inline QString startBuiltServer(QProcess& server, const QStringList& arguments, QString* said) {
    server.start(qEnvironmentVariable("KOVA_SERVER_EXE"), arguments);
    if (!server.waitForReadyRead(15000)) {
        *said = server.errorString() + QString::fromUtf8(server.readAllStandardError());
        return {};
    }
    *said = QString::fromUtf8(server.readLine()).trimmed();
    if (!said->startsWith(QLatin1String("listening on ")))
        return {};
    return said->section(QLatin1Char(' '), 2) + wire::kExchangePath;
}
