#include "http/ApiRequest.h"

#include "http/RequestHeaders.h"
#include "http/SessionCookie.h"

#include <QJsonDocument>

namespace server {
namespace {

Result<QJsonObject> jsonObject(const QByteArray& body) {
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(body, &parseError);
    if (parseError.error != QJsonParseError::NoError)
        return Failure{QStringLiteral("The body is not JSON: %1.").arg(parseError.errorString())};
    if (!document.isObject())
        return Failure{QStringLiteral("The body must be a JSON object.")};
    return document.object();
}

} // namespace

ApiRequest readApiRequest(const QHttpServerRequest& request, const TrustedProxies& proxies) {
    return {httpMethod(request),
            request.url().path(QUrl::FullyEncoded),
            request.query(),
            jsonObject(request.body()),
            sessionCookie(headerValue(request, "Cookie")),
            headerValue(request, "X-CSRF-Token"),
            bearerToken(request),
            clientAddress(request, proxies).toString()};
}

} // namespace server
