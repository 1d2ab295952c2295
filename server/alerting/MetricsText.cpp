#include "alerting/MetricsText.h"

#include <cmath>
#include <QLocale>

namespace server::metrics {

void family(QByteArray& out, const char* name, const char* type, const char* help) {
    out.append("# HELP ").append(name).append(' ').append(help).append('\n');
    out.append("# TYPE ").append(name).append(' ').append(type).append('\n');
}

QByteArray escapedLabelValue(const QString& value) {
    QByteArray escaped;
    for (const char c : value.toUtf8()) {
        if (c == '\\' || c == '"')
            escaped.append('\\').append(c);
        else if (c == '\n')
            escaped.append("\\n");
        else
            escaped.append(c);
    }
    return escaped;
}

void sample(QByteArray& out, const char* name, Labels labels, double value) {
    out.append(name);
    if (labels.size() != 0) {
        out.append('{');
        bool first = true;
        for (const auto& [label, text] : labels) {
            if (!first)
                out.append(',');
            first = false;
            out.append(label).append("=\"").append(escapedLabelValue(text)).append('"');
        }
        out.append('}');
    }
    out.append(' ');
    if (std::isinf(value))
        out.append(value > 0 ? "+Inf" : "-Inf");
    else
        out.append(QByteArray::number(value, 'g', QLocale::FloatingPointShortest));
    out.append('\n');
}

void textSample(QByteArray& out, const char* name, Labels labels, const QString& value) {
    bool isNumber = false;
    const double number = value.trimmed().toDouble(&isNumber);
    if (isNumber && std::isfinite(number))
        sample(out, name, labels, number);
}

} // namespace server::metrics
