#include "api/CsvText.h"

namespace server::csv {

QString cell(const QString& value) {
    QString text = value;
    if (!text.isEmpty() && QStringLiteral("=+-@").contains(text.front()))
        text.prepend(QLatin1Char('\''));
    const bool quoted = text.contains(QLatin1Char(',')) || text.contains(QLatin1Char('"')) ||
                        text.contains(QLatin1Char('\n')) || text.contains(QLatin1Char('\r'));
    if (!quoted)
        return text;
    text.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + text + QLatin1Char('"');
}

QString row(const QStringList& cells) {
    QStringList written;
    for (const QString& value : cells)
        written << cell(value);
    return written.join(QLatin1Char(',')) + QStringLiteral("\r\n");
}

} // namespace server::csv
