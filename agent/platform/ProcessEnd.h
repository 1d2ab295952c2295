#pragma once

#include "Seam.h"

namespace platform {

// Ending the agent at once, the way the shutdown command and the self-update must: no window is unloaded
// and nothing else runs. Tests replace it to see that the end was asked for.
class ProcessEnd {
public:
    virtual ~ProcessEnd() = default;
    virtual void end(int exitCode) = 0;
};

template <> ProcessEnd& Seam<ProcessEnd>::real();

void endProcess(int exitCode);

} // namespace platform
