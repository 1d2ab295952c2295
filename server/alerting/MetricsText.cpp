#include "alerting/MetricsText.h"

#include "alerting/ShortestNumber.h"

#include <cmath>

namespace server::metrics {

void family(QByteArray& out, const char* name, const char* type, const char* help) {
    out.append("# HELP ").append(name).append(' ').append(help).append('\n');
    out.append("# TYPE ").append(name).append(' ').append(type).append('\n');
}

void appendLabel(QByteArray& out, const char* name, QByteArrayView utf8Value) {
    out.append(name).append("=\"");
    for (const char c : utf8Value) {
        if (c == '\\' || c == '"')
            out.append('\\').append(c);
        else if (c == '\n')
            out.append("\\n");
        else
            out.append(c);
    }
    out.append('"');
}

void sample(QByteArray& out, const char* name, QByteArrayView labels, double value) {
    out.append(name);
    if (!labels.isEmpty())
        out.append('{').append(labels).append('}');
    out.append(' ');
    if (std::isinf(value))
        out.append(value > 0 ? "+Inf" : "-Inf");
    else
        appendShortest(out, value);
    out.append('\n');
}

void sample(QByteArray& out, const char* name, Labels labels, double value) {
    QByteArray written;
    for (const auto& [label, text] : labels) {
        if (!written.isEmpty())
            written.append(',');
        appendLabel(written, label, text.toUtf8());
    }
    sample(out, name, written, value);
}

void textSample(QByteArray& out, const char* name, QByteArrayView labels, QByteArrayView value) {
    bool isNumber = false;
    const double number = QByteArray::fromRawData(value.data(), value.size()).trimmed().toDouble(&isNumber);
    if (isNumber && std::isfinite(number))
        sample(out, name, labels, number);
}

} // namespace server::metrics
