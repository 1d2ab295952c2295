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
    const QByteArray header = headerValue(request, QByteArrayLiteral("Authorization"));
    const QByteArrayView value = QByteArrayView(header).trimmed();
    const QByteArrayView scheme = "Bearer ";
    if (value.size() <= scheme.size() || value.first(scheme.size()).compare(scheme, Qt::CaseInsensitive) != 0)
        return {};
    return QString::fromLatin1(value.sliced(scheme.size()).trimmed());
}

} // namespace server
