#include "modules/DateTimeText.h"

#include "modules/GeneralForm.h"

QString formatGeneralDateTime(const QDateTime& value, const QLocale& locale) {
    const GeneralForm form = generalForm(locale);
    const QString date = form.locale.toString(value.date(), form.date);
    // At the second, as written: 12:00:00.500 AM reads as midnight, so it is written as one.
    if (value.time().msecsSinceStartOfDay() < 1000)
        return date;
    return date + QLatin1Char(' ') + form.locale.toString(value.time(), form.time);
}
