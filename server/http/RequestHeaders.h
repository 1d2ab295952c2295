#pragma once

#include <QHttpServerRequest>

namespace server {

// The value of the request's header `name` (compared without regard to letter case), or empty.
QByteArray headerValue(const QHttpServerRequest& request, const QByteArray& name);

// The token of an "Authorization: Bearer <token>" header, or empty when there is none.
QString bearerToken(const QHttpServerRequest& request);

} // namespace server
