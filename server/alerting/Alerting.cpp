#include "alerting/Alerting.h"

#include "alerting/MetricsPage.h"
#include "alerting/MetricsText.h"
#include "domain/ServerClock.h"

#include <QDebug>

namespace server {
namespace {

const QString kMetricsRoute = QStringLiteral("metrics");

QHttpServerResponse refusal(QHttpServerResponder::StatusCode status, const QByteArray& text) {
    QHttpServerResponse response(QByteArrayLiteral("text/plain; charset=utf-8"), text + '\n', status);
    if (status == QHttpServerResponder::StatusCode::Unauthorized)
        response.setHeader(QByteArrayLiteral("WWW-Authenticate"), QByteArrayLiteral("Bearer"));
    return response;
}

} // namespace

Alerting::Alerting(ServerStore& store)
    : m_store(store), m_accounts(store), m_auth(m_accounts), m_recorder(store),
      m_delivery(m_recorder.events()), m_receivers(store), m_tester(store) {
    QObject::connect(&m_silenceTimer, &QTimer::timeout, [this] { checkSilence(); });
}

void Alerting::start(const AlertingOptions& options) {
    m_metricsAllow = options.metricsAllow;
    for (const QString& url : options.webhooks)
        m_fixedReceivers << WebhookDelivery::Receiver{url, options.webhookSecret};
    m_tester.setTimeout(options.requestTimeout);
    m_recorder.setOnQueued([this] { m_delivery.kick(); });
    m_store.setReportObserver([this](const StatusReport& report, const QDateTime& at) {
        return m_recorder.recordReport(report, at);
    });
    m_store.setPendingObserver([this](const QString& name, const QDateTime& at) {
        return m_recorder.recordEnrolmentPending(name, at);
    });
    m_delivery.start({m_fixedReceivers, RetrySchedule{options.firstRetry}, options.requestTimeout});
    reloadReceivers();
    m_silenceTimer.start(options.silenceCheck);
}

QStringList Alerting::fixedReceivers() const {
    QStringList urls;
    for (const WebhookDelivery::Receiver& receiver : m_fixedReceivers)
        urls << receiver.url;
    return urls;
}

// A database that cannot be read keeps the receivers as they were, and says so.
void Alerting::reloadReceivers() {
    const auto added = m_receivers.receivers();
    if (!added) {
        qWarning().noquote() << "the webhook receivers could not be read:" << added.reason();
        return;
    }
    QList<WebhookDelivery::Receiver> all = m_fixedReceivers;
    QStringList urls = fixedReceivers();
    for (const ConsoleReceiver& receiver : *added) {
        if (receiver.enabled && !urls.contains(receiver.url)) {
            all << WebhookDelivery::Receiver{receiver.url, receiver.secret};
            urls << receiver.url;
        }
    }
    m_recorder.setReceivers(urls);
    m_delivery.setReceivers(all);
}

void Alerting::checkSilence() {
    m_store.settle();
    if (const auto recorded = m_recorder.recordSilences(currentTime()); !recorded)
        qWarning().noquote() << "silent computers could not be recorded:" << recorded.reason();
}

void Alerting::answerMetrics(const MetricsRequest& request, std::function<void(MetricsAnswer&&)> ready) {
    using Status = QHttpServerResponder::StatusCode;
    if (request.method != HttpMethod::Get) {
        m_counters.countRequest(kMetricsRoute, int(Status::MethodNotAllowed));
        return ready(refusal(Status::MethodNotAllowed, "Only GET reads the metrics."));
    }
    const auto allowed = mayReadMetrics(request);
    if (!allowed || !*allowed) {
        const Status status = allowed ? Status::Unauthorized : Status::InternalServerError;
        m_counters.countRequest(kMetricsRoute, int(status));
        return ready(refusal(status, allowed ? "Send an API token (Authorization: Bearer) or ask from an "
                                               "allowed address."
                                             : allowed.reason().toUtf8()));
    }
    m_counters.countRequest(kMetricsRoute, int(Status::Ok));
    auto* page = new MetricsPage(m_store, currentTime(), serverFamilies());
    page->gather([page, ready = std::move(ready)](const Result<>& gathered) {
        if (gathered)
            return ready(page);
        qWarning().noquote() << "the metrics page could not be read:" << gathered.reason();
        page->deleteLater();
        ready(refusal(Status::InternalServerError, gathered.reason().toUtf8()));
    });
}

Result<bool> Alerting::mayReadMetrics(const MetricsRequest& request) {
    if (addressAllowed(m_metricsAllow, request.clientAddress))
        return true;
    const auto caller = m_auth.tokenCaller(request.bearerToken);
    if (!caller)
        return Failure{caller.reason()};
    return caller->has_value();
}

QByteArray Alerting::serverFamilies() const {
    QByteArray out;
    m_counters.write(out);
    const ServerStore::Counters& store = m_store.counters();
    metrics::family(out, "kova_reports_stored_total", "counter",
                    "Status reports stored since the server started.");
    metrics::sample(out, "kova_reports_stored_total", {}, double(store.reportsStored));
    metrics::family(out, "kova_reports_refused_total", "counter",
                    "Status reports refused since the server started, by reason.");
    metrics::sample(out, "kova_reports_refused_total", {{"reason", "too_soon"}},
                    double(store.reportsTooSoon));
    metrics::family(out, "kova_database_errors_total", "counter",
                    "Database transactions that failed since the server started.");
    metrics::sample(out, "kova_database_errors_total", {}, double(store.databaseErrors));
    return out;
}

} // namespace server
