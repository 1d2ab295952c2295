#include "domain/Silence.h"

#include <algorithm>

namespace server {
namespace {
constexpr qint64 kTickSeconds = 36;
constexpr int kLargestInterval = 32766; // the agent counts ticks in 16 bits
constexpr qint64 kCyclesBeforeSilence = 3;
constexpr qint64 kShortestSilenceSeconds = 600;
} // namespace

qint64 cycleSeconds(const QString& settingTime) {
    bool whole = false;
    const int interval = settingTime.trimmed().toInt(&whole);
    const int ticks = whole && interval >= 1 && interval <= kLargestInterval ? interval : 0;
    return (ticks + 1) * kTickSeconds;
}

qint64 silentAfterSeconds(const QString& settingTime) {
    return std::max(kCyclesBeforeSilence * cycleSeconds(settingTime), kShortestSilenceSeconds);
}

bool isSilent(const QDateTime& lastReport, const QString& settingTime, const QDateTime& now) {
    return !lastReport.isValid() || lastReport.secsTo(now) >= silentAfterSeconds(settingTime);
}

} // namespace server
