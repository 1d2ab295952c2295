#include "auth/LoginBackoff.h"

#include <algorithm>

namespace server {
namespace {
constexpr qint64 kFirstWaitSeconds = 30;
constexpr qint64 kLongestWaitSeconds = 3600;
} // namespace

qint64 loginWaitSeconds(int failures) {
    if (failures < kFreeLoginFailures)
        return 0;
    const int doublings = std::min(failures - kFreeLoginFailures, 16); // 30 s << 7 already passes the hour
    return std::min(kFirstWaitSeconds << doublings, kLongestWaitSeconds);
}

} // namespace server
