#include "domain/HistoryRange.h"

#include <algorithm>

namespace server {
namespace {

Result<QDateTime> readBound(const QString& key, const QString& text, const QDateTime& fallback) {
    if (text.isEmpty())
        return fallback;
    QDateTime moment = QDateTime::fromString(text, Qt::ISODateWithMs);
    if (!moment.isValid())
        moment = QDateTime::fromString(text, Qt::ISODate);
    if (moment.isValid())
        return moment;
    return Failure{QStringLiteral("%1 must be a date and time such as 2026-12-07T08:00:00Z, not \"%2\".")
                       .arg(key, text)};
}

} // namespace

Result<HistoryRange> historyRange(const QString& fromText, const QString& toText, const QDateTime& now) {
    const auto to = readBound(QStringLiteral("to"), toText, now);
    if (!to)
        return Failure{to.reason()};
    const auto from = readBound(QStringLiteral("from"), fromText, to->addSecs(-kDefaultHistorySeconds));
    if (!from)
        return Failure{from.reason()};
    const QDateTime end = std::min(*to, now);
    if (*from >= end)
        return Failure{*from >= *to ? QStringLiteral("from must be before to.")
                                    : QStringLiteral("from must be in the past.")};
    if (from->secsTo(end) > kLongestHistoryDays * 24 * 3600)
        return Failure{
            QStringLiteral("A history range may be at most %1 days long.").arg(kLongestHistoryDays)};
    return HistoryRange{*from, end};
}

} // namespace server
