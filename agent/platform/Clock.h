#pragma once

#include <QDateTime>

namespace platform {

// The one place the agent reads the time of day; tests pin it.
QDateTime now();

void pinNow(const QDateTime& pinned);
void unpinNow();

} // namespace platform
