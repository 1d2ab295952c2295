#include "alerting/RequestCounters.h"

#include "alerting/MetricsText.h"

namespace server {

void RequestCounters::countRequest(const QString& route, int status) {
    ++m_requests[{route, status}];
}

void RequestCounters::observeExchange(double seconds) {
    ++m_exchanges;
    m_exchangeSeconds += seconds;
    for (size_t k = 0; k < kExchangeBuckets.size(); ++k) {
        if (seconds <= kExchangeBuckets[k])
            ++m_buckets[k];
    }
}

void RequestCounters::countRefusal(Refusal refusal) {
    ++m_refusals[size_t(refusal)];
}

void RequestCounters::write(QByteArray& out) const {
    metrics::family(out, "kova_http_requests_total", "counter",
                    "HTTP requests answered, by route and status.");
    for (auto it = m_requests.begin(); it != m_requests.end(); ++it)
        metrics::sample(out, "kova_http_requests_total",
                        {{"route", it.key().first}, {"status", QString::number(it.key().second)}},
                        double(it.value()));
    const char* histogram = "kova_exchange_duration_seconds";
    metrics::family(out, histogram, "histogram", "Time to answer an agent's settings request or report.");
    for (size_t k = 0; k < kExchangeBuckets.size(); ++k)
        metrics::sample(out, "kova_exchange_duration_seconds_bucket",
                        {{"le", QString::number(kExchangeBuckets[k])}}, double(m_buckets[k]));
    metrics::sample(out, "kova_exchange_duration_seconds_bucket", {{"le", QStringLiteral("+Inf")}},
                    double(m_exchanges));
    metrics::sample(out, "kova_exchange_duration_seconds_sum", {}, m_exchangeSeconds);
    metrics::sample(out, "kova_exchange_duration_seconds_count", {}, double(m_exchanges));
    metrics::family(out, "kova_http_refused_total", "counter",
                    "Requests refused and connections dropped at the HTTP edge, by reason.");
    for (const Refusal refusal : kRefusals)
        metrics::sample(out, "kova_http_refused_total",
                        {{"reason", QString::fromLatin1(refusalLabel(refusal))}},
                        double(m_refusals[size_t(refusal)]));
    metrics::family(out, "kova_http_connections", "gauge", "HTTP connections open now.");
    metrics::sample(out, "kova_http_connections", {}, double(m_openConnections));
}

} // namespace server
