#pragma once

#include "http/ClientAddress.h"
#include "http/HttpMethod.h"

#include <QHostAddress>
#include <QString>

namespace server {

// A request for the metrics page, read off the HTTP request once at the edge.
struct MetricsRequest {
    HttpMethod method = HttpMethod::Other;
    QHostAddress clientAddress; // past the trusted proxies
    QString bearerToken;        // empty without one
};

MetricsRequest readMetricsRequest(const QHttpServerRequest& request, const TrustedProxies& proxies);

} // namespace server
