// Reading a date-time as a person on the machine would write it: the general form the agent writes, and
// the variations people (and servers) use beside it.
#include "modules/LocalDateTime.h"

#include "modules/GeneralForm.h"

#include <QRegularExpression>

namespace {

// Two-digit years name 1950 to 2049, the usual window.
constexpr int kTwoDigitWindowStart = 1950;

struct DateForm {
    QString format;
    bool twoDigitYear;
};

// One-letter fields read one or two digits, so 5/12/2026 and 05/12/2026 both match.
QString oneLetterFields(QString format) {
    static const QRegularExpression doubled(QStringLiteral("(?<![dMHhms])(dd|MM|HH|hh|mm|ss)(?![dMHhms])"));
    QRegularExpressionMatch match;
    while ((match = doubled.match(format)).hasMatch())
        format.replace(match.capturedStart(), 2, match.captured().left(1));
    return format;
}

// The two-digit form first: a four-digit field would also take "99" as the year 99.
QList<DateForm> dateForms(const wire::DateTimeForm& form) {
    const QString date = oneLetterFields(form.date);
    return {{QString(date).replace(QStringLiteral("yyyy"), QStringLiteral("yy")), true}, {date, false}};
}

QString withoutSeconds(QString format) {
    static const QRegularExpression seconds(QStringLiteral("[^hHmsAaPp ]?s+"));
    return format.remove(seconds);
}

QString twelveHour(QString format) {
    if (format.contains(QLatin1String("AP"), Qt::CaseInsensitive))
        return format.replace(u'H', u'h');
    return format.replace(u'H', u'h') + QStringLiteral(" AP");
}

QString twentyFourHour(QString format) {
    static const QRegularExpression amPm(QStringLiteral("\\s*(AP|ap)\\s*"));
    return format.remove(amPm).replace(u'h', u'H').trimmed();
}

QStringList timeForms(const wire::DateTimeForm& form) {
    const QString time = oneLetterFields(form.time);
    QStringList forms;
    for (const QString& clock : {twelveHour(time), twentyFourHour(time)})
        forms << clock << withoutSeconds(clock);
    return forms;
}

QDate inWindow(QDate date, bool twoDigitYear) {
    if (twoDigitYear && date.year() < kTwoDigitWindowStart)
        return date.addYears(100);
    return date;
}

std::optional<QDateTime> parseLocal(const QString& text, const wire::DateTimeForm& form) {
    for (const DateForm& date : dateForms(form)) {
        const QDate bare = form.locale.toDate(text, date.format);
        if (bare.isValid())
            return QDateTime(inWindow(bare, date.twoDigitYear), QTime(0, 0));
        for (const QString& time : timeForms(form)) {
            const QDateTime full = form.locale.toDateTime(text, date.format + QLatin1Char(' ') + time);
            if (full.isValid())
                return QDateTime(inWindow(full.date(), date.twoDigitYear), full.time());
        }
    }
    return std::nullopt;
}

} // namespace

std::optional<QDateTime> parseGeneralDateTime(const QString& text, const QLocale& locale) {
    const QString trimmed = text.trimmed();
    if (auto iso = wire::readIsoDateTime(trimmed))
        return iso;
    return parseLocal(trimmed, generalForm(locale));
}
