#include "modules/TickRule.h"

#include "modules/LocalDateTime.h"

namespace {
constexpr int kLargestInterval = 32766; // LoopCount reaches SettingTime + 1 and must fit in 16 bits
}

bool countTick(std::int16_t& loopCount, const QString& settingTime) {
    bool whole = false;
    const int interval = settingTime.trimmed().toInt(&whole);
    if (!whole || interval > kLargestInterval) {
        loopCount = 1;
        return true;
    }
    ++loopCount;
    if (loopCount > interval)
        loopCount = 0;
    return loopCount == 1;
}

bool updateCheckDue(const QString& checkUpdate, const QDateTime& now) {
    const auto due = parseGeneralDateTime(checkUpdate);
    // Date-times are written to the second: the check is due only once a later second has begun.
    const QDateTime thisSecond = now.addMSecs(-(now.time().msecsSinceStartOfDay() % 1000));
    return !due || thisSecond > *due;
}
