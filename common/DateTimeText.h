#pragma once

#include <optional>
#include <QDateTime>
#include <QLocale>
#include <QString>

namespace wire {

// How a date-time is written: the locale whose names (AM/PM) it uses, a date form and a time form.
struct DateTimeForm {
    QLocale locale;
    QString date;
    QString time;
};

// The general form both sides exchange, as United States and C machines write it: 12/5/2026 3:00:00 AM.
DateTimeForm generalForm();

// The date, a blank and the time in `form`; a moment at midnight (to the second) is written as the bare date.
QString dateTimeText(const QDateTime& moment, const DateTimeForm& form = generalForm());

// ISO 8601 as operators and the server's store write it: 2026-12-06, 2026-12-06 03:00, 2026-12-06T03:00:00.
std::optional<QDateTime> readIsoDateTime(const QString& text);

// ISO 8601 or the general form (with or without its time), blanks around it ignored.
std::optional<QDateTime> readDateTime(const QString& text);

} // namespace wire
