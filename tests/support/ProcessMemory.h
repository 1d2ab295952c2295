#pragma once

#include <QByteArray>

namespace testsupport {

// One field of /proc/self/status in KiB (VmRSS, VmHWM...), or -1 when it cannot be read.
qint64 procStatusKb(const QByteArray& field);

// Sets the peak resident size back to the current one, so a later VmHWM shows the peak of what follows.
bool resetPeakMemory();

} // namespace testsupport
