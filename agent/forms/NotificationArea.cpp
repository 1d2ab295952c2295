#include "forms/NotificationArea.h"

#include <QSystemTrayIcon>

namespace platform {

namespace {

// The toolkit asks the desktop (the tray selection on X11, the notifier service over D-Bus, the shell on
// Windows) each time, so a notification area that appears later is found.
class ToolkitNotificationArea final : public NotificationArea {
public:
    bool available() override { return QSystemTrayIcon::isSystemTrayAvailable(); }
};

} // namespace

template <> NotificationArea& Seam<NotificationArea>::real() {
    static ToolkitNotificationArea area;
    return area;
}

} // namespace platform
