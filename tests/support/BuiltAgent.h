#pragma once

#include <QDir>
#include <QFileInfo>

// Copies the built agent with the pictures it loads beside it into `folder`, where a test can put its
// name file; the copy's path, or empty when a file could not be copied.
inline QString copyBuiltAgent(const QDir& folder) {
    const QFileInfo built(qEnvironmentVariable("KOVA_AGENT_EXE"));
    for (const QString& name :
         {built.fileName(), QStringLiteral("CheckMark.gif"), QStringLiteral("XMark.gif")}) {
        if (!QFile::copy(built.absoluteDir().filePath(name), folder.filePath(name)))
            return {};
    }
    return folder.filePath(built.fileName());
}
