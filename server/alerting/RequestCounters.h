#pragma once

#include <array>
#include <QByteArray>
#include <QMap>
#include <QString>

namespace server {

// The server's own traffic since it started: requests by route and status, and how long the agents'
// exchange took, as a histogram.
class RequestCounters {
public:
    void countRequest(const QString& route, int status);
    void observeExchange(double seconds);

    // The two metric families, whole.
    void write(QByteArray& out) const;

    static constexpr std::array<double, 12> kExchangeBuckets{0.0005, 0.001, 0.0025, 0.005, 0.01, 0.025,
                                                             0.05,   0.1,   0.25,   0.5,   1,    2.5};

private:
    QMap<std::pair<QString, int>, qint64> m_requests;
    std::array<qint64, kExchangeBuckets.size()> m_buckets{};
    qint64 m_exchanges = 0;
    double m_exchangeSeconds = 0;
};

} // namespace server
