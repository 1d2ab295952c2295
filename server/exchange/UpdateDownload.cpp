#include "exchange/UpdateDownload.h"

#include <QDir>

namespace server {

Result<std::unique_ptr<QFile>> openUpdate(const QString& updatesFolder, const QString& fileName) {
    if (updatesFolder.isEmpty())
        return Failure{QStringLiteral("No updates folder is configured.")};
    auto file = std::make_unique<QFile>(QDir(updatesFolder).filePath(fileName));
    if (!file->open(QIODevice::ReadOnly))
        return Failure{QStringLiteral("No update is published.")};
    return file;
}

} // namespace server
