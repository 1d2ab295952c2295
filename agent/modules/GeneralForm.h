#pragma once

#include <QLocale>
#include <QString>

// How the machine writes a date-time in general form: the locale whose names (AM/PM) it uses, the short date
// with a four-digit year, and the long time without a time zone.
struct GeneralForm {
    QLocale locale;
    QString date;
    QString time;
};

GeneralForm generalForm(const QLocale& locale);
