#pragma once

#include <QByteArray>
#include <QString>

namespace server {

// The console session's token from a request's Cookie header, or empty.
QString sessionCookie(const QByteArray& cookieHeader);

// The Set-Cookie value that gives the browser the session's token; an empty token with no age clears it.
QByteArray sessionCookieHeader(const QString& token, qint64 maxAgeSeconds, bool tls);

} // namespace server
