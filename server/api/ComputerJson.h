#pragma once

#include "store/FleetStore.h"

#include <QJsonObject>

namespace server {

// The JSON shapes of the console API (listed for page authors in the API notes).
// A number, or null where the agent sent none.
QJsonValue numberJson(const std::optional<double>& number);
QJsonValue timeJson(const QDateTime& moment);
QJsonObject settingsJson(const QStringList& pieces);
// A report: alert, message, machine facts, the folders in use with their state, the disks' free space.
// `settingLimits`: the server's limits, where a folder's own differs (pending); `threshold`: disks under it
// are marked low.
QJsonObject reportJson(const QHash<QString, QString>& values,
                       const QHash<QString, QString>& settingLimits = {},
                       const std::optional<DiskThreshold>& threshold = std::nullopt);
// A row of the fleet page: when it last reported, whether it is silent, its worst folders and disk.
QJsonObject fleetRowJson(const ComputerView& computer, const QDateTime& now);
QJsonObject computerJson(const ComputerView& computer, const QDateTime& now);
QJsonObject auditJson(const AuditEntry& entry);

} // namespace server
