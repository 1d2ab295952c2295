#include "exchange/DateTimeText.h"

#include <QLocale>

namespace server {

QString generalDateTimeText(const QDateTime& moment) {
    const QLocale c = QLocale::c();
    const QTime time = moment.time();
    if (time.hour() == 0 && time.minute() == 0 && time.second() == 0)
        return c.toString(moment.date(), QStringLiteral("M/d/yyyy"));
    return c.toString(moment, QStringLiteral("M/d/yyyy h:mm:ss AP"));
}

} // namespace server
