#include "platform/ProcessEnd.h"

#include <cstdio>
#include <cstdlib>

namespace platform {

namespace {
std::function<void(int)> endOverride;
}

void endProcess(int exitCode) {
    if (endOverride) {
        endOverride(exitCode);
        return;
    }
    std::fflush(nullptr);
    std::_Exit(exitCode);
}

void setEndProcessOverride(std::function<void(int)> replacement) {
    endOverride = std::move(replacement);
}

} // namespace platform
