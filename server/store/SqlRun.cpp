#include "store/SqlRun.h"

#include "store/SqlDialect.h"

#include <QSqlError>

namespace server::sql {

Result<> run(QSqlQuery& query, const QVariantList& values) {
    for (int i = 0; i < values.size(); ++i)
        query.bindValue(i, values[i]);
    if (query.exec())
        return Result<>::success();
    return Failure{query.lastError().text()};
}

Result<> run(QSqlQuery& query, const QString& text, const QVariantList& values) {
    if (auto prepared = prepare(query, text); !prepared)
        return prepared;
    return run(query, values);
}

QVariant text(const QString& value) {
    return value.isNull() ? QStringLiteral("") : value;
}

QVariantList texts(const QStringList& values) {
    QVariantList bound;
    bound.reserve(values.size());
    for (const QString& value : values)
        bound << text(value);
    return bound;
}

// Every request stores a time or two, and Qt's general formatting of one costs more than reading a row.
// The usual moment, a local or UTC time of a year Qt writes with four digits, is written here exactly as
// Qt writes it; any other goes to Qt.
QString storedTime(const QDateTime& moment) {
    const Qt::TimeSpec kind = moment.timeSpec();
    const QDate date = moment.date();
    if ((kind != Qt::LocalTime && kind != Qt::UTC) || !moment.isValid() || date.year() < 0 ||
        date.year() > 9999)
        return moment.toString(Qt::ISODateWithMs);
    const QTime time = moment.time();
    char16_t text[] = u"yyyy-MM-ddTHH:mm:ss.zzzZ";
    const auto put = [&text](int at, int value, int digits) {
        for (int k = at + digits - 1; k >= at; --k, value /= 10)
            text[k] = char16_t(u'0' + value % 10);
    };
    put(0, date.year(), 4);
    put(5, date.month(), 2);
    put(8, date.day(), 2);
    put(11, time.hour(), 2);
    put(14, time.minute(), 2);
    put(17, time.second(), 2);
    put(20, time.msec(), 3);
    return QString(reinterpret_cast<const QChar*>(text), kind == Qt::UTC ? 24 : 23); // Z for UTC only
}

// Read as often as written, and Qt's general reading costs more than the row it came in. Text exactly as
// storedTime writes the usual moment is read here; any other goes to Qt.
QDateTime readStoredTime(const QString& text) {
    static constexpr char16_t kShape[] = u"9999-99-99T99:99:99.999Z";
    const qsizetype size = text.size();
    const bool utc = size == 24 && text.at(23) == u'Z';
    bool usual = size == 23 || utc;
    const auto number = [&](int at, int digits) {
        int value = 0;
        for (int k = at; k < at + digits; ++k) {
            const char16_t c = text.at(k).unicode();
            usual = usual && c >= u'0' && c <= u'9';
            value = value * 10 + (c - u'0');
        }
        return value;
    };
    for (int k : {4, 7, 10, 13, 16, 19})
        usual = usual && text.at(k) == QChar(kShape[k]);
    if (usual) {
        const QDate date(number(0, 4), number(5, 2), number(8, 2));
        const QTime time(number(11, 2), number(14, 2), number(17, 2), number(20, 3));
        if (usual && date.isValid() && time.isValid())
            return QDateTime(date, time, utc ? Qt::UTC : Qt::LocalTime);
    }
    return QDateTime::fromString(text, Qt::ISODateWithMs);
}

} // namespace server::sql
