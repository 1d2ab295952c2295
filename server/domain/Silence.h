#pragma once

#include <optional>
#include <QDateTime>
#include <QString>

namespace server {

// One cycle of a computer's agent in seconds: (SettingTime + 1) ticks of 36 s. An interval the agent
// cannot use (not a whole number from 1 to 32766) makes it start a cycle on every tick.
qint64 cycleSeconds(const QString& settingTime);

// No report for three cycles, and never less than ten minutes, is silence.
qint64 silentAfterSeconds(const QString& settingTime);

// The same from the setting already read as a whole number; empty when it is none.
qint64 silentAfterSeconds(std::optional<qint64> interval);

// A computer that never reported (invalid `lastReport`) is silent too.
bool isSilent(const QDateTime& lastReport, const QString& settingTime, const QDateTime& now);

} // namespace server
