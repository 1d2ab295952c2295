#pragma once

#include <QString>

namespace wire {

// The line an agent's report message carries for a folder it could not read; the server finds a scan error
// by this line, with the path exactly as the settings hold it.
inline constexpr char kScanErrorStart[] = "Scan Error! ";

inline QString scanErrorLine(const QString& folder) {
    return QLatin1String(kScanErrorStart) + folder + QLatin1String(" in SQL doesn't exist.");
}

} // namespace wire
