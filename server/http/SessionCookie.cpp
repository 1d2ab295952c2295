#include "http/SessionCookie.h"

#include <QByteArrayList>

namespace server {
namespace {

const QByteArray kCookieName = "kova_session";

} // namespace

QString sessionCookie(const QByteArray& cookieHeader) {
    for (const QByteArray& pair : cookieHeader.split(';')) {
        const QByteArray trimmed = pair.trimmed();
        if (trimmed.startsWith(kCookieName + '='))
            return QString::fromLatin1(trimmed.mid(kCookieName.size() + 1));
    }
    return {};
}

QByteArray sessionCookieHeader(const QString& token, qint64 maxAgeSeconds, bool tls) {
    QByteArray text = kCookieName + '=' + token.toLatin1() +
                      "; Path=/; HttpOnly; SameSite=Strict; Max-Age=" + QByteArray::number(maxAgeSeconds);
    if (tls)
        text += "; Secure";
    return text;
}

} // namespace server
