#include "domain/ReportedDates.h"

#include "DateTimeText.h"

#include <QLocale>

namespace server {
namespace {

const DateOrders kEveryOrder{DateOrder::MonthFirst, DateOrder::DayFirst, DateOrder::YearFirst};

QStringList dateForms(DateOrder order) {
    switch (order) {
    case DateOrder::MonthFirst:
        return {QStringLiteral("M/d/yyyy")};
    case DateOrder::DayFirst:
        return {QStringLiteral("d/M/yyyy"), QStringLiteral("d.M.yyyy"), QStringLiteral("d-M-yyyy")};
    case DateOrder::YearFirst:
        break;
    }
    return {QStringLiteral("yyyy/M/d"), QStringLiteral("yyyy.M.d")};
}

// A machine writes its long time in 12 or 24 hours, and a moment at midnight as the bare date.
std::optional<QDateTime> readWithDate(const QString& text, const QString& date) {
    const QLocale c = QLocale::c();
    for (const QString& time : {QStringLiteral(" h:mm:ss AP"), QStringLiteral(" H:mm:ss")}) {
        if (const QDateTime moment = c.toDateTime(text, date + time); moment.isValid())
            return moment;
    }
    if (const QDate day = c.toDate(text, date); day.isValid())
        return QDateTime(day, QTime(0, 0));
    return std::nullopt;
}

QList<QDateTime> readings(const QString& text, const DateOrders& orders) {
    const QString trimmed = text.trimmed();
    if (const auto iso = wire::readIsoDateTime(trimmed))
        return {*iso};
    QList<QDateTime> found;
    for (DateOrder order : orders) {
        for (const QString& date : dateForms(order)) {
            const auto moment = readWithDate(trimmed, date);
            if (moment && !found.contains(*moment))
                found << *moment;
        }
    }
    return found;
}

} // namespace

DateOrders agentDateOrders(const QString& clockStamp, const QDateTime& now) {
    constexpr qint64 kClockSlack = 24 * 3600;
    DateOrders plausible;
    for (DateOrder order : kEveryOrder) {
        for (const QDateTime& moment : readings(clockStamp, {order})) {
            if (qAbs(moment.secsTo(now)) <= kClockSlack && !plausible.contains(order))
                plausible << order;
        }
    }
    return plausible.isEmpty() ? kEveryOrder : plausible;
}

Result<QDateTime> readReportedDateTime(const QString& text, const DateOrders& orders) {
    const QList<QDateTime> found = readings(text, orders);
    if (found.isEmpty())
        return Failure{QStringLiteral("\"%1\" is no date and time").arg(text)};
    if (found.size() > 1)
        return Failure{QStringLiteral("\"%1\" reads as %2 or %3 depending on the agent's date order")
                           .arg(text, found[0].toString(Qt::ISODate), found[1].toString(Qt::ISODate))};
    return found.constFirst();
}

} // namespace server
