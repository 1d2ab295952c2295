#pragma once

#include "Seam.h"

namespace platform {

// Whether the desktop has a notification area that can hold the agent's icon. Without one, a hidden
// window could not be brought back, so the agent must not hide itself.
class NotificationArea {
public:
    virtual ~NotificationArea() = default;
    virtual bool available() = 0;
};

template <> NotificationArea& Seam<NotificationArea>::real();

} // namespace platform
