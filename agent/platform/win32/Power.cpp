#include "platform/Power.h"

#include "platform/Clock.h"
#include "platform/win32/ShutdownPrivilege.h"

#include <windows.h>

namespace platform {

namespace {

constexpr UINT kRebootForced = 6; // EWX_REBOOT | EWX_FORCE
constexpr DWORD kAllReasonBits = 0xFFFFFFFF;

class WindowsPower final : public Power {
public:
    Result<> requestRestart() override {
        mdlRebootServer::EnableShutdownPrivilege();
        if (ExitWindowsEx(kRebootForced, kAllReasonBits))
            return Result<>::success();
        return Result<>::failure(qt_error_string(static_cast<int>(GetLastError())));
    }

    // The tick count runs from the moment the machine started.
    std::optional<QDateTime> machineStarted() override {
        return now().addMSecs(-static_cast<qint64>(GetTickCount64()));
    }
};

} // namespace

template <> Power& Seam<Power>::real() {
    static WindowsPower power;
    return power;
}

} // namespace platform
