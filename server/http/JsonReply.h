#pragma once

#include <QHttpServerResponse>
#include <QJsonObject>

namespace server {

using HttpStatus = QHttpServerResponder::StatusCode;

QHttpServerResponse jsonReply(const QJsonObject& body, HttpStatus status = HttpStatus::Ok);

// {"error": reason}, plus any further fields the client can act on.
QHttpServerResponse errorReply(HttpStatus status, const QString& reason, QJsonObject more = {});

// 500 for a store that failed; the reason goes to the log and to the caller.
QHttpServerResponse storeFailure(const QString& error);

} // namespace server
