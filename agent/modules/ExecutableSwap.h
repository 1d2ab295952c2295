#pragma once

#include "Result.h"

#include <QString>

namespace mdlGeneral {

// Puts `replacement` in place of `executable` and keeps the program it replaces as `backup` (an older
// backup is deleted first). If a step fails after the executable was moved aside, it is moved back, so a
// program stands under the executable's name whatever happens. A failure says what failed.
Result<> swapExecutable(const QString& replacement, const QString& executable, const QString& backup);

// Lets `program` be run (by everyone, written by its owner only), as the installed program must be.
Result<> makeRunnable(const QString& program);

} // namespace mdlGeneral
