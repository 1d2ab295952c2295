#pragma once

#include "http/ClientAddress.h"
#include "http/HttpMethod.h"

#include <QByteArray>
#include <QHostAddress>
#include <QString>

namespace server {

// An agent's request to the exchange endpoint, read off the HTTP request once at the edge.
struct ExchangeRequest {
    HttpMethod method = HttpMethod::Other;
    QByteArray body;
    bool formBody = false;      // sent as application/x-www-form-urlencoded
    QString key;                // of its "Authorization: Bearer" header; empty without one
    QHostAddress clientAddress; // past the trusted proxies
};

ExchangeRequest readExchangeRequest(const QHttpServerRequest& request, const TrustedProxies& proxies);

} // namespace server
