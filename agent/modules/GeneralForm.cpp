#include "modules/GeneralForm.h"

#include <QRegularExpression>

namespace {

// United States and C/POSIX machines write 12/5/2026 3:00:00 AM; the C locale keeps AM/PM in English.
bool writesUnitedStatesForm(const QLocale& locale) {
    return locale.language() == QLocale::C ||
           (locale.language() == QLocale::English && locale.territory() == QLocale::UnitedStates);
}

QString withFourDigitYear(QString format) {
    static const QRegularExpression shortYear(QStringLiteral("(?<!y)yy(?!y)"));
    return format.replace(shortYear, QStringLiteral("yyyy"));
}

QString withoutTimeZone(QString format) {
    static const QRegularExpression zone(QStringLiteral("\\s*t+\\s*"));
    return format.replace(zone, QStringLiteral(" ")).trimmed();
}

} // namespace

wire::DateTimeForm generalForm(const QLocale& locale) {
    if (writesUnitedStatesForm(locale))
        return wire::generalForm();
    return {locale, withFourDigitYear(locale.dateFormat(QLocale::ShortFormat)),
            withoutTimeZone(locale.timeFormat(QLocale::LongFormat))};
}
