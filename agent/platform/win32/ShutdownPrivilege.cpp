#include "platform/win32/ShutdownPrivilege.h"

#include <cstdint>
#include <windows.h>

namespace mdlRebootServer {

namespace {
constexpr DWORD kTokenAccess = 0x28; // TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY
constexpr DWORD kPreviousStateLength = 16;
} // namespace

// The results are not examined: a refused privilege shows up as a refused restart.
void EnableShutdownPrivilege() {
    HANDLE token = nullptr;
    OpenProcessToken(GetCurrentProcess(), kTokenAccess, &token);
    TOKEN_PRIVILEGES privileges{};
    privileges.PrivilegeCount = 1;
    LookupPrivilegeValueA("", "SeShutdownPrivilege", &privileges.Privileges[0].Luid);
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    alignas(TOKEN_PRIVILEGES) std::uint8_t previousState[kPreviousStateLength] = {};
    DWORD returnedLength = 0;
    AdjustTokenPrivileges(token, FALSE, &privileges, kPreviousStateLength,
                          reinterpret_cast<PTOKEN_PRIVILEGES>(previousState), &returnedLength);
    if (token)
        CloseHandle(token);
}

} // namespace mdlRebootServer
