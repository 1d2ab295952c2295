#pragma once

#include <ctime>
#ifdef _WIN32
#include <windows.h>
#endif

// The processor time this process has used so far, in seconds. Windows' std::clock() counts wall time.
inline double processorSeconds() {
#ifdef _WIN32
    FILETIME created, exited, kernel, user;
    if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user))
        return 0;
    const auto ticks = [](const FILETIME& time) {
        return (static_cast<unsigned long long>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
    };
    return double(ticks(kernel) + ticks(user)) / 1e7; // 100 ns ticks
#else
    return double(std::clock()) / CLOCKS_PER_SEC;
#endif
}
