#include "http/JsonReply.h"

#include <QDebug>
#include <QJsonDocument>

namespace server {

QHttpServerResponse jsonReply(const QJsonObject& body, HttpStatus status) {
    QHttpServerResponse response(QByteArrayLiteral("application/json"),
                                 QJsonDocument(body).toJson(QJsonDocument::Compact), status);
    // Answers hold the fleet's details and the CSRF token: no cache may keep them.
    response.setHeader("Cache-Control", "no-store");
    response.setHeader("X-Content-Type-Options", "nosniff");
    return response;
}

QHttpServerResponse errorReply(HttpStatus status, const QString& reason, QJsonObject more) {
    more.insert(QStringLiteral("error"), reason);
    return jsonReply(more, status);
}

QHttpServerResponse storeFailure(const QString& error) {
    qWarning().noquote() << "console API: the store failed:" << error;
    return errorReply(HttpStatus::InternalServerError, QStringLiteral("The store failed: %1").arg(error));
}

} // namespace server
