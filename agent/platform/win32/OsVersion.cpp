#include "platform/OsVersion.h"

#include <windows.h>

namespace platform {

namespace {

// GetVersionEx reports the version the program was declared compatible with, not the one running;
// RtlGetVersion tells the truth.
using RtlGetVersionFunction = LONG(WINAPI*)(OSVERSIONINFOEXW*);

class WindowsOsVersion final : public OsVersion {
public:
    std::optional<OsFacts> read() override {
        const HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
        // Passing through void (*)() keeps the cast from FARPROC free of a function-type warning.
        const auto rtlGetVersion =
            ntdll ? reinterpret_cast<RtlGetVersionFunction>(
                        reinterpret_cast<void (*)()>(::GetProcAddress(ntdll, "RtlGetVersion")))
                  : nullptr;
        OSVERSIONINFOEXW info = {};
        info.dwOSVersionInfoSize = sizeof info;
        if (!rtlGetVersion || rtlGetVersion(&info) != 0)
            return std::nullopt;
        OsFacts facts;
        facts.platformId = info.dwPlatformId;
        facts.major = info.dwMajorVersion;
        facts.minor = info.dwMinorVersion;
        facts.build = info.dwBuildNumber;
        facts.serverEdition = info.wProductType != VER_NT_WORKSTATION;
        return facts;
    }
};

} // namespace

template <> OsVersion& Seam<OsVersion>::real() {
    static WindowsOsVersion version;
    return version;
}

} // namespace platform
