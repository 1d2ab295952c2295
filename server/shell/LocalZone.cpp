#include "shell/LocalZone.h"

#include <QByteArray>

namespace server {

void settleLocalZone() {
    if (!qEnvironmentVariableIsSet("TZ"))
        qputenv("TZ", QByteArrayLiteral(":/etc/localtime"));
}

} // namespace server
