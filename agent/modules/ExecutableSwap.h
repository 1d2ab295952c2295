#pragma once

#include <optional>
#include <QString>

namespace mdlGeneral {

// Puts `replacement` in place of `executable` and keeps the program it replaces as `backup` (an older
// backup is deleted first). If a step fails after the executable was moved aside, it is moved back, so a
// program stands under the executable's name whatever happens. Returns what failed, or nullopt.
std::optional<QString> swapExecutable(const QString& replacement, const QString& executable,
                                      const QString& backup);

} // namespace mdlGeneral
