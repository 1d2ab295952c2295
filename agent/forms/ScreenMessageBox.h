#pragma once

#include "platform/MessageBox.h"

// The message boxes of a desktop run: modal boxes on the screen. The executable puts them in place when it
// opens its window; the command-line run keeps the core's written-out boxes.
class ScreenMessageBox final : public platform::MessageBox {
public:
    bool show(const platform::ShownBox& box) override;
};
