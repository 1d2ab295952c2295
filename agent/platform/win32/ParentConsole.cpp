#include "platform/ParentConsole.h"

#include <cstdio>
#include <windows.h>

namespace platform {

namespace {

bool hasHandle(DWORD which) {
    const HANDLE handle = GetStdHandle(which);
    return handle != nullptr && handle != INVALID_HANDLE_VALUE;
}

} // namespace

void useParentConsole() {
    if (hasHandle(STD_OUTPUT_HANDLE) || !AttachConsole(ATTACH_PARENT_PROCESS))
        return;
    // Reopened streams are checked only by what they print; a failure leaves the program silent as before.
    [[maybe_unused]] FILE* out = std::freopen("CONOUT$", "w", stdout);
    [[maybe_unused]] FILE* err = std::freopen("CONOUT$", "w", stderr);
}

} // namespace platform
