#pragma once

#include "alerting/AlertingOptions.h"
#include "alerting/EventRecorder.h"
#include "alerting/ReceiverTester.h"
#include "alerting/RequestCounters.h"
#include "alerting/WebhookDelivery.h"
#include "auth/ConsoleAuth.h"
#include "http/MetricsRequest.h"

#include <functional>
#include <QHttpServerResponse>
#include <QTimer>
#include <variant>

namespace server {

class MetricsPage;

// What the server tells tools and people: the /metrics page, events queued from reports, silence and
// enrolment, and their delivery to the webhook receivers.
class Alerting {
public:
    explicit Alerting(ServerStore& store);

    // Hooks the recorder into the store's reports and starts delivery and the silence timer.
    void start(const AlertingOptions& options);

    // A refusal, or the page gathered for the caller to send (see MetricsPage::send).
    using MetricsAnswer = std::variant<QHttpServerResponse, MetricsPage*>;
    // The page for a caller with an API token or from an allowed address, 401 for others; told to
    // `ready` once gathered, a page of computers per turn of the event loop.
    void answerMetrics(const MetricsRequest& request, std::function<void(MetricsAnswer&&)> ready);

    RequestCounters& counters() { return m_counters; }
    EventRecorder& recorder() { return m_recorder; }
    ReceiverTester& tester() { return m_tester; }

    // The receivers given on the command line, and those added in the console and not disabled, read
    // again after the console changed them.
    QStringList fixedReceivers() const;
    void reloadReceivers();

    void checkSilence();

private:
    Result<bool> mayReadMetrics(const MetricsRequest& request);
    QByteArray serverFamilies() const;

    ServerStore& m_store;
    AccountStore m_accounts;
    ConsoleAuth m_auth;
    EventRecorder m_recorder;
    WebhookDelivery m_delivery;
    ReceiverStore m_receivers;
    ReceiverTester m_tester;
    QList<WebhookDelivery::Receiver> m_fixedReceivers;
    RequestCounters m_counters;
    QTimer m_silenceTimer;
    QList<AddressRange> m_metricsAllow;
};

} // namespace server
