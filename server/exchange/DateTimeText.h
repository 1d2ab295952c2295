#pragma once

#include <QDateTime>
#include <QString>

namespace server {

// The general date-time form the agents read and write: M/d/yyyy h:mm:ss AP, and the bare date for
// exactly midnight. Always the same form, whatever the server machine's own locale says.
QString generalDateTimeText(const QDateTime& moment);

} // namespace server
