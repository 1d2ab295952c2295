#pragma once

#include "domain/SettingsRecord.h"

namespace server {

// What a status report may change of the computer's settings: only what an agent itself changes. Its
// folder slots (an operator edits them at the agent), RebootTime moved later, ManualReboot emptied and
// CheckUpdate moved later. Everything else (LogFlag, SettingTime, SnoozeTime, AutoRebootTime, Disable, and
// any other move of the three dates) keeps the server's value, so even an agent's own key cannot
// reschedule, silence or disable a computer.
struct SettingsMerge {
    SettingsRecord settings;
    QStringList ignoredKeys; // report keys whose value differed from the server's and was not taken
};

SettingsMerge mergeReportedSettings(const SettingsRecord& server, const SettingsRecord& reported);

} // namespace server
