#pragma once

#include "modules/AgentState.h"

#include <optional>
#include <QDateTime>
#include <QString>

namespace mdlRebootServer {

// The reboot test at the head of each folder scan. Decides RebootDue afresh: the scheduled reboot is due
// once RebootTime has passed, a manual request while ManualReboot still lies ahead (both strictly, to the
// second). An empty RebootTime becomes `now`. An AutoRebootTime that is not a positive number switches the
// scheduled reboot off. A RebootTime that passed before `machineStarted` is not due but moved on (see the
// definition). Throws AgentError for a RebootTime or ManualReboot that is not a date-time; RebootDue then
// keeps what the test had set before.
void runRebootTest(AgentState& state, const QDateTime& now, const std::optional<QDateTime>& machineStarted);

// The next scheduled reboot after one at oldRebootTime: today's midnight plus AutoRebootTime hours, at the
// old time of day, stepped on by the same number of hours until it lies ahead of `now`. Returns
// oldRebootTime unchanged while the scheduled reboot is switched off.
QString movedRebootTime(const QString& oldRebootTime, const QString& autoRebootTime, const QDateTime& now);

} // namespace mdlRebootServer
