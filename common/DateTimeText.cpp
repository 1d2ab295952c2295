#include "DateTimeText.h"

#include <cstdio>
#include <QRegularExpression>

namespace wire {
namespace {

// The server writes the general form into every report's answer, and QLocale reads a form's text anew on
// every call, which costs more than the rest of the answer; so that form is also written by hand, where its
// four-digit year makes it plain.
bool writesByHand(const QDateTime& moment, const DateTimeForm& form) {
    static const DateTimeForm general = generalForm();
    const int year = moment.date().year();
    return year >= 1000 && year <= 9999 && moment.time().isValid() && form.date == general.date &&
           form.time == general.time && form.locale == general.locale;
}

QString generalDate(QDate date) {
    char text[16];
    std::snprintf(text, sizeof text, "%d/%d/%d", date.month(), date.day(), date.year());
    return QString::fromLatin1(text);
}

QString generalTime(QTime time) {
    char text[16];
    const int hour = time.hour() % 12 == 0 ? 12 : time.hour() % 12;
    std::snprintf(text, sizeof text, "%d:%02d:%02d %s", hour, time.minute(), time.second(),
                  time.hour() < 12 ? "AM" : "PM");
    return QString::fromLatin1(text);
}

} // namespace

DateTimeForm generalForm() {
    return {QLocale::c(), QStringLiteral("M/d/yyyy"), QStringLiteral("h:mm:ss AP")};
}

QString dateTimeText(const QDateTime& moment, const DateTimeForm& form) {
    const bool byHand = writesByHand(moment, form);
    const QString date = byHand ? generalDate(moment.date()) : form.locale.toString(moment.date(), form.date);
    // At the second, as written: 12:00:00.500 AM reads as midnight, so it is written as one.
    if (moment.time().msecsSinceStartOfDay() < 1000)
        return date;
    return date + QLatin1Char(' ') +
           (byHand ? generalTime(moment.time()) : form.locale.toString(moment.time(), form.time));
}

std::optional<QDateTime> readIsoDateTime(const QString& text) {
    static const QRegularExpression iso(
        QStringLiteral("^(\\d{4}-\\d{2}-\\d{2})(?:[T ](\\d{2}:\\d{2})(:\\d{2})?)?$"));
    const QRegularExpressionMatch match = iso.match(text.trimmed());
    if (!match.hasMatch())
        return std::nullopt;
    const QString time = match.captured(2).isEmpty() ? QStringLiteral("00:00") : match.captured(2);
    const QString seconds = match.captured(3).isEmpty() ? QStringLiteral(":00") : match.captured(3);
    const QDateTime moment =
        QDateTime::fromString(match.captured(1) + QLatin1Char('T') + time + seconds, Qt::ISODate);
    return moment.isValid() ? std::optional(moment) : std::nullopt;
}

std::optional<QDateTime> readDateTime(const QString& text) {
    if (auto iso = readIsoDateTime(text))
        return iso;
    const DateTimeForm form = generalForm();
    const QString trimmed = text.trimmed();
    QDateTime moment = form.locale.toDateTime(trimmed, form.date + QLatin1Char(' ') + form.time);
    if (!moment.isValid())
        moment = QDateTime(form.locale.toDate(trimmed, form.date), QTime(0, 0));
    return moment.isValid() ? std::optional(moment) : std::nullopt;
}

} // namespace wire
