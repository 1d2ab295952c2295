#pragma once

#include "modules/AgentState.h"

#include <functional>
#include <QDateTime>
#include <QString>

namespace mdlRebootServer {

// Reboots the machine for a due reboot: logs it, records it in Message, empties ManualReboot, moves
// RebootTime on, reports all that (sendReport), lets pending events run and asks the system to restart.
// Returns once the restart is requested (the system closes the agent later); a refused restart is logged.
void runRebootSequence(AgentState& state, const std::function<void(const QString&)>& appendLog,
                       const std::function<void()>& sendReport, const QDateTime& now);

} // namespace mdlRebootServer
