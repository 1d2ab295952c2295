#pragma once

#include "alerting/MetricsAccess.h"

#include <chrono>
#include <QStringList>

namespace server {

// How the server tells the outside world: who may read /metrics without a token, where events go and
// how often silence is looked for.
struct AlertingOptions {
    QList<AddressRange> metricsAllow;
    QStringList webhooks;     // receivers' URLs
    QByteArray webhookSecret; // signs every body; required with webhooks
    std::chrono::milliseconds firstRetry{std::chrono::seconds(10)};
    std::chrono::milliseconds requestTimeout{std::chrono::seconds(10)};
    std::chrono::milliseconds silenceCheck{std::chrono::seconds(60)};
};

} // namespace server
