#pragma once

#include "Result.h"

#include <QDateTime>
#include <QString>

namespace server {

// A time an operator planned work on a computer: alerts raised in it are recorded but told to no receiver.
// A window covers its start and ends just before its end, so that two windows back to back leave no gap
// and no overlap.
struct MaintenanceWindow {
    qint64 id = 0;
    QString computer;
    QDateTime from;
    QDateTime to;
    QString operatorName;
    QString note;
    QString tag; // not empty: planned for every computer carrying the tag while it runs (computer empty)
};

bool covers(const MaintenanceWindow& window, const QDateTime& at);

// The window's times as an operator gave them, or why they cannot be one: the end after the start, at
// most kLongestMaintenanceDays long, and not over before `now`.
Result<> checkWindow(const MaintenanceWindow& window, const QDateTime& now);

inline constexpr int kLongestMaintenanceDays = 31;

} // namespace server
