#include "platform/ExecutableFolder.h"

#include <QCoreApplication>

namespace platform {

namespace {
std::optional<QString> folderOverride;
std::optional<QString> runningOverride;
} // namespace

QString executableFolder() {
    return folderOverride ? *folderOverride : QCoreApplication::applicationDirPath();
}

QString runningExecutable() {
    return runningOverride ? *runningOverride : QCoreApplication::applicationFilePath();
}

QString executableFileName(const QString& baseName) {
#ifdef Q_OS_WIN
    return baseName + QStringLiteral(".exe");
#else
    return baseName;
#endif
}

void setExecutableFolderOverride(const std::optional<QString>& folder) {
    folderOverride = folder;
}

void setRunningExecutableOverride(const std::optional<QString>& path) {
    runningOverride = path;
}

} // namespace platform
