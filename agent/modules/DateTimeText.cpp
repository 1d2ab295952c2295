#include "modules/DateTimeText.h"

#include <QRegularExpression>

namespace {

struct GeneralForm {
    QLocale locale;
    QString date;
    QString time;
};

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

GeneralForm generalForm(const QLocale& locale) {
    if (writesUnitedStatesForm(locale))
        return {QLocale::c(), QStringLiteral("M/d/yyyy"), QStringLiteral("h:mm:ss AP")};
    return {locale, withFourDigitYear(locale.dateFormat(QLocale::ShortFormat)),
            withoutTimeZone(locale.timeFormat(QLocale::LongFormat))};
}

std::optional<QDateTime> parseIso(const QString& text) {
    static const QRegularExpression iso(
        QStringLiteral("^\\d{4}-\\d{2}-\\d{2}([T ]\\d{2}:\\d{2}(:\\d{2})?)?$"));
    if (!iso.match(text).hasMatch())
        return std::nullopt;
    QString normalised = text;
    normalised.replace(QLatin1Char(' '), QLatin1Char('T'));
    if (normalised.size() == 10)
        normalised += QStringLiteral("T00:00:00");
    const QDateTime value = QDateTime::fromString(normalised, Qt::ISODate);
    return value.isValid() ? std::optional(value) : std::nullopt;
}

} // namespace

QString formatGeneralDateTime(const QDateTime& value, const QLocale& locale) {
    const GeneralForm form = generalForm(locale);
    const QString date = form.locale.toString(value.date(), form.date);
    if (value.time() == QTime(0, 0))
        return date;
    return date + QLatin1Char(' ') + form.locale.toString(value.time(), form.time);
}

std::optional<QDateTime> parseGeneralDateTime(const QString& text, const QLocale& locale) {
    const QString trimmed = text.trimmed();
    if (auto iso = parseIso(trimmed))
        return iso;
    const GeneralForm form = generalForm(locale);
    const QDateTime full = form.locale.toDateTime(trimmed, form.date + QLatin1Char(' ') + form.time);
    if (full.isValid())
        return full;
    const QDate bare = form.locale.toDate(trimmed, form.date);
    if (bare.isValid())
        return QDateTime(bare, QTime(0, 0));
    return std::nullopt;
}
