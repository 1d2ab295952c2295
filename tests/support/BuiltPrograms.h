#pragma once

// The built agent (CTest names it in KOVA_AGENT_EXE), for tests that run it as a program; the built server
// is support/BuiltServer.h.
#include <QDir>
#include <QFile>
#include <QFileInfo>
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
