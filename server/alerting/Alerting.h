#pragma once

#include "alerting/AlertingOptions.h"
#include "alerting/EventRecorder.h"
#include "alerting/RequestCounters.h"
#include "alerting/WebhookDelivery.h"
#include "auth/ConsoleAuth.h"
#include "domain/ServerClock.h"

#include <QHttpServerRequest>
#include <QHttpServerResponder>
#include <QTimer>

namespace server {

// What the server tells tools and people: the /metrics page, events queued from reports, silence and
// enrolment, and their delivery to the webhook receivers.
class Alerting {
public:
    Alerting(ServerStore& store, Clock clock);

    // Hooks the recorder into the store's reports and starts delivery and the silence timer.
    void start(const AlertingOptions& options);

    // Streams the page to a caller with an API token or from an allowed address; 401 otherwise.
    void answerMetrics(const QHttpServerRequest& request, QHttpServerResponder&& responder);

    RequestCounters& counters() { return m_counters; }
    EventRecorder& recorder() { return m_recorder; }

    void checkSilence();

private:
    Result<bool> mayReadMetrics(const QHttpServerRequest& request);
    QByteArray serverFamilies() const;

    ServerStore& m_store;
    Clock m_clock;
    AccountStore m_accounts;
    ConsoleAuth m_auth;
    EventRecorder m_recorder;
    WebhookDelivery m_delivery;
    RequestCounters m_counters;
    QTimer m_silenceTimer;
    QList<AddressRange> m_metricsAllow;
    TrustedProxies m_trustedProxies;
};

} // namespace server
