#pragma once

#include "Result.h"

#include <QDateTime>

namespace server {

// The stretch of time a computer's history is asked for.
struct HistoryRange {
    QDateTime from;
    QDateTime to;
};

inline constexpr qint64 kDefaultHistorySeconds = 24 * 3600;
inline constexpr qint64 kLongestHistoryDays = 400;

// The range named by two ISO 8601 date-times (an empty `to`: now; an empty `from`: a day before `to`). An end
// after `now` becomes `now`, as nothing has been reported there yet. Refused with the reason an operator can
// act on when a bound is no date-time, the start is not before the end, or the range is over
// kLongestHistoryDays long.
Result<HistoryRange> historyRange(const QString& fromText, const QString& toText, const QDateTime& now);

} // namespace server
