#include "http/ExchangeRequest.h"

#include "http/RequestHeaders.h"

namespace server {
namespace {

bool isFormBody(const QHttpServerRequest& request) {
    const QByteArray value = headerValue(request, QByteArrayLiteral("Content-Type"));
    QByteArrayView mime(value);
    if (const qsizetype parameters = mime.indexOf(';'); parameters >= 0)
        mime.truncate(parameters);
    return mime.trimmed().compare("application/x-www-form-urlencoded", Qt::CaseInsensitive) == 0;
}

} // namespace

ExchangeRequest readExchangeRequest(const QHttpServerRequest& request, const TrustedProxies& proxies) {
    return {httpMethod(request), request.body(), isFormBody(request), bearerToken(request),
            clientAddress(request, proxies)};
}

} // namespace server
