#include "exchange/TimePage.h"

#include <QLocale>

namespace server {
namespace {

constexpr int kStampWindow = 28;

} // namespace

QString timePageText(const QDateTime& now) {
    const QLocale c = QLocale::c();
    const QString stamp = c.toString(now.date(), QStringLiteral("M/d/yyyy")) + QStringLiteral(",   ") +
                          c.toString(now.time(), QStringLiteral("h:mm:ss AP"));
    return QStringLiteral("<HTML><HEAD><TITLE>KOVA Oru time</TITLE></HEAD><BODY>KOVA Oru time service<BR>"
                          "Local time of the server<BR>") +
           stamp.leftJustified(kStampWindow) + QStringLiteral("</BODY></HTML>");
}

} // namespace server
