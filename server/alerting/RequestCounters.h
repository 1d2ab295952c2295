#pragma once

#include "alerting/Histogram.h"
#include "edge/Refusal.h"

#include <array>
#include <QByteArray>
#include <QMap>
#include <QString>

namespace server {

// The server's own traffic since it started: requests by route and status, how long the agents' exchange
// took and how many of their requests shared a commit, as histograms, and what the edge refused or dropped,
// with the connections open now.
class RequestCounters {
public:
    void countRequest(const QString& route, int status);
    void observeExchange(double seconds) { m_exchange.observe(seconds); }
    void observeCommitGroup(int requests) { m_commitGroup.observe(requests); }
    void countRefusal(Refusal refusal);
    void setOpenConnections(int open) { m_openConnections = open; }

    // The metric families, whole.
    void write(QByteArray& out) const;

private:
    QMap<std::pair<QString, int>, qint64> m_requests;
    Histogram m_exchange{{0.0005, 0.001, 0.0025, 0.005, 0.01, 0.025, 0.05, 0.1, 0.25, 0.5, 1, 2.5}};
    Histogram m_commitGroup{{1, 2, 4, 8, 16, 32, 64}};
    std::array<qint64, kRefusals.size()> m_refusals{};
    int m_openConnections = 0;
};

} // namespace server
