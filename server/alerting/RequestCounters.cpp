#include "alerting/RequestCounters.h"

#include "alerting/MetricsText.h"

namespace server {

void RequestCounters::countRequest(const QString& route, int status) {
    ++m_requests[{route, status}];
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
    m_exchange.write(out, "kova_exchange_duration_seconds",
                     "Time to answer an agent's settings request or report, its commit included.");
    m_commitGroup.write(out, "kova_exchange_commit_group_size",
                        "Agents' requests whose writes shared one commit.");
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
