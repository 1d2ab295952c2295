#include "http/MetricsRequest.h"

#include "http/RequestHeaders.h"

namespace server {

MetricsRequest readMetricsRequest(const QHttpServerRequest& request, const TrustedProxies& proxies) {
    return {httpMethod(request), clientAddress(request, proxies), bearerToken(request)};
}

} // namespace server
