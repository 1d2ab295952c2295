#pragma once

#include <QString>

// The event types a receiver sees in the "type" field, and the states of the conditions behind them.
namespace server::events {

inline QString folderOverLimit() {
    return QStringLiteral("folder_over_limit");
}
inline QString folderBackToNormal() {
    return QStringLiteral("folder_back_to_normal");
}
inline QString folderScanError() {
    return QStringLiteral("folder_scan_error");
}
inline QString diskLow() {
    return QStringLiteral("disk_low");
}
inline QString diskBackToNormal() {
    return QStringLiteral("disk_back_to_normal");
}
inline QString computerSilent() {
    return QStringLiteral("computer_silent");
}
inline QString computerBack() {
    return QStringLiteral("computer_back");
}
inline QString enrolmentPending() {
    return QStringLiteral("enrolment_pending");
}
inline QString enrolmentConflict() {
    return QStringLiteral("enrolment_conflict");
}
inline QString alertAcknowledged() {
    return QStringLiteral("alert_acknowledged");
}
// Sent to one receiver when an admin tests it; never recorded.
inline QString webhookTest() {
    return QStringLiteral("webhook_test");
}

} // namespace server::events
