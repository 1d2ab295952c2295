#pragma once

#include "Result.h"

#include <QDateTime>
#include <QList>

namespace server {

// Which part of a date an agent's machine writes first: its general date form follows the machine's locale,
// so "12/9/2026" is 9 December on one and 12 September on another.
enum class DateOrder { MonthFirst, DayFirst, YearFirst };
using DateOrders = QList<DateOrder>;

// The orders in which the agent's own clock stamp (a report's sLogTime) reads within a day of the server's
// time; every order when the stamp tells none apart (unreadable, or a day equal to its month).
DateOrders agentDateOrders(const QString& clockStamp, const QDateTime& now);

// The one moment `text` denotes in `orders` (ISO text reads the same in every order). Refused when it reads
// as no date or as different moments: a guess could move a reboot by months.
Result<QDateTime> readReportedDateTime(const QString& text, const DateOrders& orders);

} // namespace server
