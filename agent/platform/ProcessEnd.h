#pragma once

#include <functional>

namespace platform {

// Ends the agent at once, the way the shutdown command and the self-update must: no window is unloaded
// and nothing else runs. Tests replace it to see that the end was asked for.
void endProcess(int exitCode);
void setEndProcessOverride(std::function<void(int)> replacement);

} // namespace platform
