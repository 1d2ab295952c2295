#pragma once

#include <QString>

namespace wire {

// The line an agent's report message carries for a folder it could not read; the server finds a scan error
// by this line, with the path exactly as the settings hold it.
inline QString scanErrorLine(const QString& folder) {
    return QStringLiteral("Scan Error! %1 in SQL doesn't exist.").arg(folder);
}

} // namespace wire
