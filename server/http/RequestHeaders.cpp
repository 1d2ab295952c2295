#include "http/RequestHeaders.h"

namespace server {

QByteArray headerValue(const QHttpServerRequest& request, const QByteArray& name) {
    for (const auto& [key, value] : request.headers()) {
        if (key.compare(name, Qt::CaseInsensitive) == 0)
            return value;
    }
    return {};
}

QString bearerToken(const QHttpServerRequest& request) {
    const QByteArray value = headerValue(request, QByteArrayLiteral("Authorization")).trimmed();
    const QByteArray scheme = QByteArrayLiteral("Bearer ");
    if (value.size() <= scheme.size() || value.left(scheme.size()).compare(scheme, Qt::CaseInsensitive) != 0)
        return {};
    return QString::fromLatin1(value.mid(scheme.size()).trimmed());
}

} // namespace server
