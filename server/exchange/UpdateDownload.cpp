#include "exchange/UpdateDownload.h"

#include "http/TextReply.h"

#include <QDir>
#include <QFile>

namespace server {

QHttpServerResponse updateDownload(const QString& updatesFolder) {
    if (updatesFolder.isEmpty())
        return textReply(QStringLiteral("No updates folder is configured."), Status::NotFound);
    QFile file(QDir(updatesFolder).filePath(QStringLiteral("KOVA_Oru.exe")));
    if (!file.open(QIODevice::ReadOnly))
        return textReply(QStringLiteral("No update is published."), Status::NotFound);
    return QHttpServerResponse(QByteArrayLiteral("application/octet-stream"), file.readAll());
}

} // namespace server
