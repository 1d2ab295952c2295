#pragma once

#include "modules/AgentView.h"

// The command-line run (--once): no window, and no way to ask for a computer name.
class HeadlessView : public AgentView {
public:
    std::optional<int> runFirstRunSetup() override;
};
