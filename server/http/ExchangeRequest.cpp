#include "http/ExchangeRequest.h"

#include "http/RequestHeaders.h"

namespace server {
namespace {

bool isFormBody(const QHttpServerRequest& request) {
    const QByteArray mime =
        headerValue(request, QByteArrayLiteral("Content-Type")).split(';').first().trimmed();
    return mime.compare("application/x-www-form-urlencoded", Qt::CaseInsensitive) == 0;
}

} // namespace

ExchangeRequest readExchangeRequest(const QHttpServerRequest& request, const TrustedProxies& proxies) {
    return {httpMethod(request), request.body(), isFormBody(request), bearerToken(request),
            clientAddress(request, proxies)};
}

} // namespace server
