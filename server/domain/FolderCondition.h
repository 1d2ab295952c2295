#pragma once

#include "domain/FolderState.h"

#include <functional>
#include <QList>
#include <QString>

namespace server {

// A folder's condition as alerts and metrics tell it; the numbers are the metric's values.
enum class FolderCondition { Normal = 0, Near = 1, Over = 2, ScanError = 3 };

// One folder slot in use in a report.
struct FolderReading {
    int slot = 0; // 1 to 10
    QString path;
    QString files;
    QString limit;
    FolderCondition condition = FolderCondition::Normal;
};

// The report's folders in use, by the agent's own rules: a scan error when its message carries the
// folder's "Scan Error!" line (the count is then the last one read), otherwise the count against the
// limit. `value` gives a report value by its key.
QList<FolderReading> folderReadings(const std::function<QString(const QString& key)>& value);

// One folder's condition from its report values, by the rules above.
FolderCondition folderCondition(const QString& path, const QString& files, const QString& limit,
                                const QString& message);

// The condition of a folder without a scan error, from its state.
FolderCondition folderCondition(FolderState state);

// The word the API and the pages use: green, yellow, red, or unreadable for a scan error.
QString folderConditionText(FolderCondition condition);

} // namespace server
