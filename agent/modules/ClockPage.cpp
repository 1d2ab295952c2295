#include "modules/ClockPage.h"

#include "modules/BlankTrim.h"
#include "modules/LocalDateTime.h"
#include "platform/SystemClock.h"
#include "TimePageStamp.h"
#include "WireFormat.h"

namespace mdlGeneral {

namespace {

const QString kBreak = QStringLiteral("<BR>");

// The text after the first "<BR>". Without one the cut starts at the fourth character, as if a mark stood
// before the page; the missing second mark then rejects the page anyway.
QString afterFirstBreak(const QString& page) {
    const qsizetype mark = page.indexOf(kBreak);
    return trimBlanks(page.mid(mark < 0 ? kBreak.size() - 1 : mark + kBreak.size()));
}

std::optional<QTime> readTimeOfDay(const QString& text) {
    for (const QString& format : {wire::generalForm().time, QStringLiteral("H:mm:ss")}) {
        const QTime time = QLocale::c().toTime(text, format);
        if (time.isValid())
            return time;
    }
    return std::nullopt;
}

} // namespace

std::optional<ClockPage> cutTimePage(const QString& page) {
    const QString afterFirst = afterFirstBreak(page.left(wire::kReplyReadBound));
    const qsizetype secondBreak = afterFirst.indexOf(kBreak);
    if (secondBreak < 0)
        return std::nullopt;
    const QString window = trimBlanks(afterFirst.mid(secondBreak + kBreak.size(), wire::kTimePageStampWidth));
    const qsizetype separator = window.indexOf(wire::kTimePageSeparator);
    if (separator < 0)
        return std::nullopt;
    return ClockPage{trimBlanks(window.left(separator)), trimBlanks(window.mid(separator + 1))};
}

std::optional<QDateTime> readClockPage(const QString& page, const QLocale& locale) {
    const std::optional<ClockPage> cut = cutTimePage(page);
    if (!cut)
        return std::nullopt;
    const std::optional<QDateTime> date = parseGeneralDateTime(cut->dateText, locale);
    const std::optional<QTime> time = readTimeOfDay(cut->timeText);
    if (!date || date->time() != QTime(0, 0) || !time)
        return std::nullopt;
    // The page states the machine's own local time: no offset applies.
    return QDateTime(date->date(), *time);
}

void applyClockPage(const QString& page) {
    if (page.isEmpty())
        return;
    const std::optional<QDateTime> stated = readClockPage(page);
    if (!stated)
        return;
    // A refusal leaves the clock as it is; start-up goes on either way.
    static_cast<void>(platform::Seam<platform::SystemClock>::get().setLocalDateTime(*stated));
}

} // namespace mdlGeneral
