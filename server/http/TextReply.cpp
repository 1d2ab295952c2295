#include "http/TextReply.h"

namespace server {

QHttpServerResponse textReply(const QString& text, Status status) {
    return QHttpServerResponse(QByteArrayLiteral("text/plain; charset=utf-8"), text.toUtf8(), status);
}

QHttpServerResponse methodNotAllowed(const QByteArray& allowed) {
    QHttpServerResponse response =
        textReply(QStringLiteral("This path answers %1 only.").arg(QString::fromLatin1(allowed)),
                  Status::MethodNotAllowed);
    response.setHeader(QByteArrayLiteral("Allow"), allowed);
    return response;
}

} // namespace server
