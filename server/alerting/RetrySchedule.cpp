#include "alerting/RetrySchedule.h"

#include <algorithm>

namespace server {

std::optional<QDateTime> RetrySchedule::nextTry(int failures, const QDateTime& eventAt,
                                                const QDateTime& now) const {
    using std::chrono::milliseconds;
    const int doublings = std::clamp(failures - 1, 0, 30);
    const qint64 delay = std::min<qint64>(firstDelay.count() << doublings, milliseconds(kLongestGap).count());
    const QDateTime next = now.addMSecs(delay);
    if (next > eventAt.addMSecs(milliseconds(kGiveUpAfter).count()))
        return std::nullopt;
    return next;
}

} // namespace server
