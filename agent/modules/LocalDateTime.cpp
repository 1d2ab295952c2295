#include "modules/LocalDateTime.h"

#include "modules/GeneralForm.h"

QString formatGeneralDateTime(const QDateTime& value, const QLocale& locale) {
    return wire::dateTimeText(value, generalForm(locale));
}
