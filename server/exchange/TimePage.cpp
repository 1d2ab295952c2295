#include "exchange/TimePage.h"

#include "TimePageStamp.h"

namespace server {

QString timePageText(const QDateTime& now) {
    return QStringLiteral("<HTML><HEAD><TITLE>KOVA Oru time</TITLE></HEAD><BODY>KOVA Oru time service<BR>"
                          "Local time of the server<BR>") +
           wire::timePageStamp(now) + QStringLiteral("</BODY></HTML>");
}

} // namespace server
