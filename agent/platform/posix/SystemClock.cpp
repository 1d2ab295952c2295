#include "platform/SystemClock.h"

#include <cerrno>
#include <ctime>

namespace platform {

namespace {

// Needs the right to set the time (CAP_SYS_TIME); without it the kernel refuses and nothing changes.
class PosixSystemClock final : public SystemClock {
public:
    bool setLocalDateTime(const QDateTime& value, QString* error) override {
        const qint64 msecs = value.toMSecsSinceEpoch();
        timespec moment{};
        moment.tv_sec = static_cast<time_t>(msecs / 1000);
        moment.tv_nsec = static_cast<long>(msecs % 1000) * 1000000L;
        if (clock_settime(CLOCK_REALTIME, &moment) == 0)
            return true;
        *error = qt_error_string(errno);
        return false;
    }
};

} // namespace

template <> SystemClock& Seam<SystemClock>::real() {
    static PosixSystemClock clock;
    return clock;
}

} // namespace platform
