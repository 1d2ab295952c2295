#include "modules/RebootSchedule.h"

#include "modules/AgentError.h"
#include "modules/LocalDateTime.h"

#include <QLocale>
#include <QTimeZone>

namespace mdlRebootServer {

namespace {

// A reboot more than a century away is no schedule at all.
constexpr qint64 kLongestIntervalHours = 24LL * 366 * 100;

// Whole hours from today's midnight to the next scheduled reboot's day; nullopt while the scheduled reboot
// is switched off (0, empty, negative or not a number).
std::optional<qint64> rebootIntervalHours(const QString& autoRebootTime) {
    bool isNumber = false;
    const double hours = QLocale::c().toDouble(autoRebootTime.trimmed(), &isNumber);
    if (!isNumber || !(hours > 0) || hours > kLongestIntervalHours)
        return std::nullopt;
    const qint64 whole = qRound64(hours);
    return whole > 0 ? std::optional(whole) : std::nullopt;
}

// Schedules count wall-clock hours, as the operator writes them: a reboot at 3:00 AM stays at 3:00 AM across
// a change to or from summer time. Arithmetic therefore runs on the local fields taken as UTC.
QDateTime wallClock(const QDate& date, const QTime& time) {
    return QDateTime(date, time, QTimeZone::utc());
}

QDateTime toSeconds(const QDateTime& value) {
    return value.addMSecs(-value.time().msec());
}

QDateTime readDateTime(const char* field, const QString& text) {
    const std::optional<QDateTime> value = parseGeneralDateTime(text);
    if (!value)
        throw AgentError(QStringLiteral("%1 is not a date and time: \"%2\"").arg(QLatin1String(field), text));
    return *value;
}

} // namespace

QString movedRebootTime(const QString& oldRebootTime, const QString& autoRebootTime, const QDateTime& now) {
    const std::optional<qint64> hours = rebootIntervalHours(autoRebootTime);
    if (!hours)
        return oldRebootTime;
    // The old time of day carries over; a bare date (or text that is no date-time) stands for midnight.
    const std::optional<QDateTime> old = parseGeneralDateTime(oldRebootTime);
    const int timeOfDay = old ? old->time().msecsSinceStartOfDay() : 0;
    const qint64 step = *hours * 3600;
    const QDateTime wallNow = wallClock(now.date(), now.time());
    QDateTime next = wallClock(now.date(), QTime(0, 0)).addSecs(step).addMSecs(timeOfDay);
    // Intervals that are not whole days can land today, before now: step on so the schedule lies ahead.
    if (next <= wallNow)
        next = next.addSecs((next.secsTo(wallNow) / step + 1) * step);
    return formatGeneralDateTime(QDateTime(next.date(), next.time()));
}

void runRebootTest(AgentState& state, const QDateTime& now, const std::optional<QDateTime>& machineStarted) {
    const QDateTime thisSecond = toSeconds(now);
    state.RebootDue = false;
    if (state.RebootTime.isEmpty())
        state.RebootTime = formatGeneralDateTime(thisSecond);
    const QDateTime scheduled = readDateTime("RebootTime", state.RebootTime);
    if (scheduled < thisSecond && rebootIntervalHours(state.AutoRebootTime)) {
        // Loop guard. The report that carries a moved RebootTime can fail to reach the server (the machine
        // goes down right after it); the next settings reply then brings the old, past time back and the
        // agent would reboot again at once, and again after that. A scheduled time that lies before the
        // machine's last start was served by that start: move it on as the reboot would have, so the next
        // report carries a future time and the schedule heals, instead of rebooting.
        if (machineStarted && scheduled < *machineStarted)
            state.RebootTime = movedRebootTime(state.RebootTime, state.AutoRebootTime, thisSecond);
        else
            state.RebootDue = true;
    }
    if (!state.ManualReboot.isEmpty() && readDateTime("ManualReboot", state.ManualReboot) > thisSecond)
        state.RebootDue = true;
}

} // namespace mdlRebootServer
