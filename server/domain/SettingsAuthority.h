#pragma once

#include "domain/SettingsRecord.h"
#include "domain/StatusReport.h"

#include <QMap>
#include <QSet>

namespace server {

// What a status report may change of the computer's settings: only what an agent itself changes. Its
// folder slots (an operator edits them at the agent), RebootTime moved later, ManualReboot emptied and
// CheckUpdate moved later. Everything else (LogFlag, SettingTime, SnoozeTime, AutoRebootTime, Disable, and
// any other move of the three dates) keeps the server's value, so even an agent's own key cannot
// reschedule, silence or disable a computer. What it may change still passes the console's rules
// (SettingsRules); a date is read in the agent's own date order, and one that reads two ways is refused.
struct SettingChange {
    QString name; // the field name (Dir1, RebootTime)
    QString oldValue;
    QString newValue;
};

struct SettingsMerge {
    SettingsRecord settings;
    QList<SettingChange> changes;
    QMap<QString, QString> refused; // report key -> why its value, which differed, was not taken
};

// `heldByOperator`: field names an operator changed after the agent last downloaded its settings; the
// report carries the value from before that change, so the operator's stands.
SettingsMerge mergeReportedSettings(const SettingsRecord& server, const StatusReport& report,
                                    const QSet<QString>& heldByOperator, const QDateTime& now);

} // namespace server
