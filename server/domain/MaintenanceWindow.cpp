#include "domain/MaintenanceWindow.h"

namespace server {

bool covers(const MaintenanceWindow& window, const QDateTime& at) {
    return window.from <= at && at < window.to;
}

Result<> checkWindow(const MaintenanceWindow& window, const QDateTime& now) {
    if (!window.from.isValid() || !window.to.isValid())
        return Failure{QStringLiteral("Give the window's start and end as date and time, e.g. "
                                      "2026-12-07T22:00:00Z.")};
    if (window.to <= window.from)
        return Failure{QStringLiteral("The window must end after it starts.")};
    if (window.from.daysTo(window.to) > kLongestMaintenanceDays)
        return Failure{QStringLiteral("A window lasts at most %1 days; plan a longer one in parts.")
                           .arg(kLongestMaintenanceDays)};
    if (window.to <= now)
        return Failure{QStringLiteral("That window is already over; give an end in the future.")};
    return Result<>::success();
}

} // namespace server
