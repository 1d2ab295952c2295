#pragma once

#include "store/OperatorActionStore.h"

#include <optional>
#include <QJsonObject>

namespace server {

// Operators' decisions as the console API shows them beside a computer: who acknowledged its alert, when
// and until when, and the maintenance window it is in.
QJsonObject windowJson(const MaintenanceWindow& window);
void insertActions(QJsonObject& computer, const ComputerActions& actions);

// A moment as the API takes it (ISO 8601, with or without an offset; without one it is the server's local
// time), in the server's local time as the store keeps moments; nothing when the text is no moment.
std::optional<QDateTime> readApiMoment(const QString& text);

} // namespace server
