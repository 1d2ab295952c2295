#pragma once

#include "Result.h"

#include <QString>

namespace mdlGeneral {

// Puts `replacement` in place of `executable` and keeps the program it replaces as `backup` (an older
// backup is deleted first). If a step fails after the executable was moved aside, it is moved back, so a
// program stands under the executable's name whatever happens. A failure says what failed.
Result<> swapExecutable(const QString& replacement, const QString& executable, const QString& backup);

// Takes back a swap: the program under the executable's name goes and the backup returns in its place (when
// there is none, the executable did not exist before). A failure says what failed.
Result<> restoreBackup(const QString& executable, const QString& backup);

} // namespace mdlGeneral
