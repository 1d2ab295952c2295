#include "platform/SystemClock.h"

#include <cerrno>
#include <ctime>

namespace platform {

namespace {

// Needs the right to set the time (CAP_SYS_TIME); without it the kernel refuses and nothing changes.
class PosixSystemClock final : public SystemClock {
public:
    Result<> setLocalDateTime(const QDateTime& value) override {
        const qint64 msecs = value.toMSecsSinceEpoch();
        timespec moment{};
        moment.tv_sec = static_cast<time_t>(msecs / 1000);
        moment.tv_nsec = static_cast<long>(msecs % 1000) * 1000000L;
        if (clock_settime(CLOCK_REALTIME, &moment) == 0)
            return Result<>::success();
        return Result<>::failure(qt_error_string(errno));
    }
};

} // namespace

template <> SystemClock& Seam<SystemClock>::real() {
    static PosixSystemClock clock;
    return clock;
}

} // namespace platform
