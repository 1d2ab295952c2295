#pragma once

#include "forms/NotificationArea.h"

// A desktop with or without a notification area.
class FakeNotificationArea final : public platform::NotificationArea {
public:
    bool present = true;
    bool available() override { return present; }
};
