#include "platform/ExecutableFolder.h"

#include <QCoreApplication>

namespace platform {

namespace {
std::optional<QString> folderOverride;
}

QString executableFolder() { return folderOverride.value_or(QCoreApplication::applicationDirPath()); }

void setExecutableFolderOverride(const std::optional<QString>& folder) { folderOverride = folder; }

} // namespace platform
