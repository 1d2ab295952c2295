#include "auth/LoginBackoff.h"

#include <algorithm>

namespace server {
namespace {
constexpr qint64 kFirstWaitSeconds = 30;
constexpr qint64 kLongestWaitSeconds = 3600;

// Whole seconds from `now` to `waitSeconds` after `from`, rounded up; 0 when that has passed.
qint64 secondsLeft(const QDateTime& from, qint64 waitSeconds, const QDateTime& now) {
    const qint64 msLeft = waitSeconds * 1000 - from.msecsTo(now);
    return msLeft > 0 ? (msLeft + 999) / 1000 : 0;
}

} // namespace

qint64 loginWaitSeconds(int failures) {
    if (failures < kFreeLoginFailures)
        return 0;
    const int doublings = std::min(failures - kFreeLoginFailures, 16); // 30 s << 7 already passes the hour
    return std::min(kFirstWaitSeconds << doublings, kLongestWaitSeconds);
}

RecentFailures RecentFailures::adding(const QDateTime& now) const {
    RecentFailures more = *this;
    for (AccountStore::FailureSpan* span : {&more.fromAddress, &more.ofName}) {
        ++span->count;
        span->first = span->first.isValid() ? span->first : now;
        span->last = now;
    }
    return more;
}

qint64 loginWaitSeconds(const RecentFailures& failures, const QDateTime& now) {
    const qint64 forAddress = failures.fromAddress.count >= kAddressFailuresPerMinute
                                  ? secondsLeft(failures.fromAddress.first, kAddressWindowSeconds, now)
                                  : 0;
    const qint64 forName = secondsLeft(failures.ofName.last, loginWaitSeconds(failures.ofName.count), now);
    return std::max(forAddress, forName);
}

} // namespace server
