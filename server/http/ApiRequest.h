#pragma once

#include "http/ClientAddress.h"
#include "http/HttpMethod.h"
#include "Result.h"

#include <QJsonObject>
#include <QString>
#include <QUrlQuery>

namespace server {

// A call to the console's JSON API, read off the HTTP request once at the edge.
struct ApiRequest {
    HttpMethod method = HttpMethod::Other;
    QString path; // percent-encoded as sent, so that a "/" in a computer's name (%2F) is no separator
    QUrlQuery query;
    Result<QJsonObject> body; // the JSON object it carries; otherwise why not, in words for the caller
    QString sessionCookie;    // empty without one
    QByteArray csrfToken;     // the X-CSRF-Token header
    QString bearerToken;      // empty without one
    QString clientAddress;    // the peer, or whom a trusted proxy says it forwards for
};

ApiRequest readApiRequest(const QHttpServerRequest& request, const TrustedProxies& proxies);

} // namespace server
