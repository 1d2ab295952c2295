#include "alerting/Histogram.h"

#include "alerting/MetricsText.h"

namespace server {

void Histogram::observe(double value) {
    ++m_count;
    m_sum += value;
    for (size_t k = 0; k < m_bounds.size(); ++k) {
        if (value <= m_bounds[k])
            ++m_buckets[k];
    }
}

void Histogram::write(QByteArray& out, const QByteArray& name, const char* help) const {
    const QByteArray bucket = name + "_bucket";
    metrics::family(out, name.constData(), "histogram", help);
    for (size_t k = 0; k < m_bounds.size(); ++k)
        metrics::sample(out, bucket.constData(), {{"le", QString::number(m_bounds[k])}},
                        double(m_buckets[k]));
    metrics::sample(out, bucket.constData(), {{"le", QStringLiteral("+Inf")}}, double(m_count));
    metrics::sample(out, QByteArray(name + "_sum").constData(), {}, m_sum);
    metrics::sample(out, QByteArray(name + "_count").constData(), {}, double(m_count));
}

} // namespace server
