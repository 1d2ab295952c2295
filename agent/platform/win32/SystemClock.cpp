#include "platform/SystemClock.h"

#include <windows.h>

namespace platform {

namespace {

class WindowsSystemClock final : public SystemClock {
public:
    bool setLocalDateTime(const QDateTime& value, QString* error) override {
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
            return true;
        *error = qt_error_string(static_cast<int>(GetLastError()));
        return false;
    }
};

} // namespace

template <> SystemClock& Seam<SystemClock>::real() {
    static WindowsSystemClock clock;
    return clock;
}

} // namespace platform
