#include "platform/SystemClock.h"

#include <windows.h>

namespace platform {

namespace {

class WindowsSystemClock final : public SystemClock {
public:
    Result<> setLocalDateTime(const QDateTime& value) override {
        const QDate date = value.date();
        const QTime time = value.time();
        SYSTEMTIME local{};
        local.wYear = static_cast<WORD>(date.year());
        local.wMonth = static_cast<WORD>(date.month());
        local.wDay = static_cast<WORD>(date.day());
        local.wHour = static_cast<WORD>(time.hour());
        local.wMinute = static_cast<WORD>(time.minute());
        local.wSecond = static_cast<WORD>(time.second());
        local.wMilliseconds = static_cast<WORD>(time.msec());
        if (SetLocalTime(&local))
            return Result<>::success();
        return Result<>::failure(qt_error_string(static_cast<int>(GetLastError())));
    }
};

} // namespace

template <> SystemClock& Seam<SystemClock>::real() {
    static WindowsSystemClock clock;
    return clock;
}

} // namespace platform
