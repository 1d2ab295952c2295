#pragma once

#include "Seam.h"

class Agent;

// The first-run setup window as the main window opens it: modal, until setup completes or the operator
// closes it. Tests replace it with a scripted outcome.
class SetupWindow {
public:
    virtual ~SetupWindow() = default;
    // True once setup is complete.
    virtual bool run(Agent& agent) = 0;
};

namespace platform {
template <> SetupWindow& Seam<SetupWindow>::real();
} // namespace platform
