#pragma once

#include <QHttpServerResponse>

namespace server {

using Status = QHttpServerResponder::StatusCode;

// A plain-text reply in UTF-8, with no line break added: the agents take the body exactly as it stands.
QHttpServerResponse textReply(const QString& text, Status status = Status::Ok);

// 405 with the Allow header naming the one method the path answers.
QHttpServerResponse methodNotAllowed(const QByteArray& allowed);

} // namespace server
