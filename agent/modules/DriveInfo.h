#pragma once

#include "modules/AgentState.h"

#include <QLocale>
#include <QString>

namespace mdlGetServerInfo {

// Records the first four ready fixed drives in `Disk` and their free space in `DiskSpace`. Every
// `DiskSpace` entry starts at "0"; a `Disk` entry no drive fills keeps what it held.
void GetDriveInfo(AgentState& state);

// Free bytes in units of 10,000 bytes, exact: up to four decimals, trailing zeros dropped, no separator
// for a whole number, no digit grouping (10737418240 gives "1073741.824").
QString freeSpaceText(quint64 freeBytes, const QLocale& locale = QLocale());

} // namespace mdlGetServerInfo
