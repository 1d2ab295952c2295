#include "modules/RebootSequence.h"

#include "modules/LocalDateTime.h"
#include "modules/RebootSchedule.h"
#include "platform/EventWait.h"
#include "platform/Power.h"

namespace mdlRebootServer {

void runRebootSequence(AgentState& state, const std::function<void(const QString&)>& appendLog,
                       const std::function<void()>& sendReport, const QDateTime& now) {
    appendLog(QStringLiteral("A reboot was scheduled.  Rebooting now..."));
    state.Message = QStringLiteral("Server Rebooted at: ") + formatGeneralDateTime(now);
    state.ManualReboot.clear();
    state.RebootTime = movedRebootTime(state.RebootTime, state.AutoRebootTime, now);
    sendReport();
    platform::processPendingEvents();
    if (const Result<> restart = platform::Seam<platform::Power>::get().requestRestart(); !restart)
        appendLog(QStringLiteral("Restart refused by the system: ") + restart.reason());
}

} // namespace mdlRebootServer
