#include "platform/ServiceOutput.h"

#include "platform/Clock.h"
#include "platform/ExecutableFolder.h"

#include <cstdio>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace platform {

namespace {

constexpr qint64 kLogFileBound = 1024 * 1024;

QString logFilePath() {
    return QDir(executableFolder()).filePath(QStringLiteral(KOVA_AGENT_NAME ".log"));
}

// Appends one line; a full file becomes the .old one first, so the log never holds more than two bounds.
void appendToLogFile(const QByteArray& line) {
    const QString path = logFilePath();
    if (QFileInfo(path).size() + line.size() > kLogFileBound) {
        QFile::remove(path + QStringLiteral(".old"));
        QFile::rename(path, path + QStringLiteral(".old"));
    }
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Append))
        file.write(line);
}

} // namespace

void writeServiceLine(const QString& line) {
    const QByteArray bytes = line.toUtf8();
    std::fputs(bytes.constData(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
    appendToLogFile(now().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss  ")).toUtf8() + bytes + "\r\n");
}

} // namespace platform
