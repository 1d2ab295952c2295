#pragma once

#include <QByteArray>
#include <vector>

namespace server {

// A Prometheus histogram over fixed upper bounds: cumulative buckets, then the sum and the count.
class Histogram {
public:
    explicit Histogram(std::vector<double> bounds)
        : m_bounds(std::move(bounds)), m_buckets(m_bounds.size()) {}

    void observe(double value);
    // The family, whole: `name` and its _bucket, _sum and _count samples.
    void write(QByteArray& out, const QByteArray& name, const char* help) const;

private:
    std::vector<double> m_bounds;
    std::vector<qint64> m_buckets;
    qint64 m_count = 0;
    double m_sum = 0;
};

} // namespace server
