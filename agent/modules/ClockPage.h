#pragma once

#include <optional>
#include <QDateTime>
#include <QLocale>
#include <QString>

namespace mdlGeneral {

// The date and time-of-day texts found on the web time page.
struct ClockPage {
    QString dateText;
    QString timeText;
};

// Cuts the date and time texts out of the page: within its first wire::kReplyReadBound characters, the 28
// characters after the second "<BR>" hold the date, ",   " and the time. Only spaces are trimmed. nullopt
// when the second
// "<BR>" or the ",   " inside those 28 characters is missing.
std::optional<ClockPage> cutTimePage(const QString& page);

// The local date-time the page states: the date read by the locale's rules, the time of day as
// "h:mm:ss AP" or "H:mm:ss". nullopt when the page cannot be cut or either part cannot be read.
std::optional<QDateTime> readClockPage(const QString& page, const QLocale& locale = QLocale());

// Sets the machine's clock from the page. An empty or unreadable page, or a refusal by the system, leaves
// the clock as it is without a word: start-up goes on either way.
void applyClockPage(const QString& page);

} // namespace mdlGeneral
