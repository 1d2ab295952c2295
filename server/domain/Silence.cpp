#include "domain/Silence.h"

#include <algorithm>

namespace server {
namespace {
constexpr qint64 kTickSeconds = 36;
constexpr int kLargestInterval = 32766; // the agent counts ticks in 16 bits
constexpr qint64 kCyclesBeforeSilence = 3;
constexpr qint64 kShortestSilenceSeconds = 600;

std::optional<qint64> readInterval(const QString& settingTime) {
    bool whole = false;
    const int interval = settingTime.trimmed().toInt(&whole);
    return whole ? std::optional<qint64>(interval) : std::nullopt;
}

qint64 cycleSeconds(std::optional<qint64> interval) {
    const qint64 ticks = interval && *interval >= 1 && *interval <= kLargestInterval ? *interval : 0;
    return (ticks + 1) * kTickSeconds;
}

} // namespace

qint64 cycleSeconds(const QString& settingTime) {
    return cycleSeconds(readInterval(settingTime));
}

qint64 silentAfterSeconds(std::optional<qint64> interval) {
    return std::max(kCyclesBeforeSilence * cycleSeconds(interval), kShortestSilenceSeconds);
}

qint64 silentAfterSeconds(const QString& settingTime) {
    return silentAfterSeconds(readInterval(settingTime));
}

bool isSilent(const QDateTime& lastReport, const QString& settingTime, const QDateTime& now) {
    return !lastReport.isValid() || lastReport.secsTo(now) >= silentAfterSeconds(settingTime);
}

} // namespace server
