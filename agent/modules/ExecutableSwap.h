#pragma once

#include "Result.h"

#include <QString>

namespace mdlGeneral {

// Puts `replacement` in place of `executable` and keeps the program it replaces as `backup` (an older
// backup is deleted first). A program stands under the executable's name whatever happens: where the
// running program can be replaced in one step, it is; elsewhere it is moved aside first and moved back if a
// later step fails. A failure says what failed.
Result<> swapExecutable(const QString& replacement, const QString& executable, const QString& backup);

// Lets `program` be run (by everyone, written by its owner only), as the installed program must be.
Result<> makeRunnable(const QString& program);

} // namespace mdlGeneral
