#pragma once

#include <QStringList>

namespace wire {

// The 67 keys of the status report, in the order they are sent; the text is exact, including the
// lower-case "sdiskspace2" that the server has always expected.
const QStringList& reportKeys();

// The 28 report keys that carry the settings, in settings-piece order 0..27, so piece k of the settings
// reply and the value of settingsReportKeys()[k] in a report are the same setting.
const QStringList& settingsReportKeys();

} // namespace wire
