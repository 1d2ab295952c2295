#pragma once

#include <cstdint>
#include <QDateTime>
#include <QString>

// One tick of the main timer: counts LoopCount and says whether this tick starts a cycle. A cycle runs
// on every (SettingTime + 1)-th tick. Until a usable interval has arrived (empty, not a whole number,
// or too large for the 16-bit counter) every tick starts one, so an agent that started offline keeps
// retrying; zero or a negative interval leaves the cycles to the operator.
bool countTick(std::int16_t& loopCount, const QString& settingTime);

// The daily update check is due once the current time has passed CheckUpdate. An empty CheckUpdate,
// and one that is not a date-time, count as long past.
bool updateCheckDue(const QString& checkUpdate, const QDateTime& now);
