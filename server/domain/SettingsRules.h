#pragma once

#include "domain/SettingsRecord.h"
#include "Result.h"

#include <optional>
#include <QDateTime>
#include <QJsonObject>
#include <QMap>

namespace server {

// The rule for one setting by its name (LogFlag ... CheckUpdate), as the agent reads that setting:
// whole numbers where it counts, date-times it can read whatever its locale (stored as
// yyyy-MM-dd HH:mm:ss), a truth value for Disable, folder paths that the settings reply can carry and
// limits the folder scan can compare with.
// Gives the text to store for the value an operator gave, or why the agent could not use it.
Result<QString> checkSetting(const QString& name, const QString& text, const QDateTime& now);

// Why slot `slot` (1 to wire::kSlotCount) cannot stand as it is: a folder in use needs a limit, or the
// agent's scan stops at that slot with an error. Empty when it can.
std::optional<QString> missingLimit(const SettingsRecord& settings, int slot);

// An operator's change applied to a computer's settings: the settings to store and the names whose value
// changed, or the reasons by name (nothing may be stored then).
struct SettingsChange {
    std::optional<SettingsRecord> settings;
    QStringList changed;
    QMap<QString, QString> reasons;
};

SettingsChange applySettingsChange(const SettingsRecord& current, const QJsonObject& change,
                                   const QDateTime& now);

} // namespace server
