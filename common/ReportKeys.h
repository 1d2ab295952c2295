#pragma once

#include <QStringList>

namespace wire {

// How many folders an agent watches: slots 1 to 10 in the settings, the report and the console.
inline constexpr int kSlotCount = 10;

// The 67 keys of the status report, in the order they are sent; the text is exact, including the
// lower-case "sdiskspace2" that the server has always expected.
const QStringList& reportKeys();

// The 28 report keys that carry the settings, in settings-piece order 0..27, so piece k of the settings
// reply and the value of settingsReportKeys()[k] in a report are the same setting.
const QStringList& settingsReportKeys();

} // namespace wire
