// The folder scan of every cycle: each slot counted and judged, the alert decided, the tree rebuilt.
#include "modules/Agent.h"
#include "modules/AgentError.h"
#include "modules/BlankTrim.h"
#include "modules/GetFolderStats.h"
#include "modules/LocalDateTime.h"
#include "modules/mdlSystemTray.h"
#include "modules/RebootSchedule.h"
#include "modules/SlotEvaluation.h"
#include "platform/Clock.h"
#include "platform/ExecutableFolder.h"
#include "platform/Power.h"

#include <QFile>

using namespace mdlProcessAlerts;

void Agent::ProcessAlerts() {
    bool scanned = false;
    try {
        state_.AlertText.clear();
        state_.RebootDue = false;
        mdlRebootServer::runRebootTest(state_, platform::now(),
                                       platform::Seam<platform::Power>::get().machineStarted());
        tree.removeChildren();
        for (int k = 1; k <= kSlotCount; ++k)
            scanSlot(k);
        decideAlert();
        SetFolderIcons();
        scanned = true;
    } catch (const AgentError& error) {
        // The operator's line stays as it always was; the reason goes to the debug log.
        qWarning("Error processing alerts: %s", error.what());
        log.append(kLineBreak + QStringLiteral("Error processing alerts (") +
                   formatGeneralDateTime(platform::now()) + QStringLiteral(") "));
    }
    view.showFolderTree(tree);
    // Once the window shows the rebuilt tree: scrolling the one it is about to clear would be lost.
    if (scanned && tree.count() > 1)
        view.ensureFolderVisible(tree.lastAddedKey());
}

void Agent::scanSlot(int k) {
    if (!slotIsActive(state_.Dir[k])) {
        state_.Size[k] = QStringLiteral("0");
        state_.Count[k] = QStringLiteral("0");
        return;
    }
    const QString stats = GetFolderStats(state_.Dir[k]);
    // Stored before the limit is read: a limit that is no number stops the scan, not the measurement.
    if (const auto measured = readMeasurement(stats)) {
        state_.Size[k] = measured->size;
        state_.Count[k] = measured->count;
    }
    const SlotResult result = evaluateSlot(k, state_.Dir[k], state_.Alert[k], stats);
    const auto addNode = [&] {
        tree.addChild({QStringLiteral("zDir%1").arg(k), state_.Dir[k], imageFor(result.state)});
    };
    if (result.state == SlotState::NearLimit) {
        addNode();
        state_.AlertText += result.alertLine;
    } else {
        state_.AlertText += result.alertLine;
        addNode();
    }
}

void Agent::decideAlert() {
    if (state_.AlertText.isEmpty()) {
        state_.AlertStatus = QStringLiteral("0");
        state_.Message = QStringLiteral("System OK.");
        tmrIconLoop.stop();
        mdlSystemTray::RestoreTrayIcon(view, state_);
        return;
    }
    state_.AlertStatus = QStringLiteral("1");
    state_.Message = trimBlanks(state_.AlertText);
    log.append(kLineBreak + QStringLiteral("ALERT! There were alerts found:"));
    log.append(state_.AlertText);
    tmrIconLoop.start();
}

void Agent::SetFolderIcons() {
    const QString name = state_.AlertStatus == QLatin1String("0") ? QStringLiteral("CheckMark.gif")
                                                                  : QStringLiteral("XMark.gif");
    const QString path = platform::executableFolder() + QLatin1Char('/') + name;
    QFile picture(path);
    if (!picture.open(QIODevice::ReadOnly) || picture.size() == 0)
        throw AgentError(QStringLiteral("the picture %1 cannot be read").arg(path));
    view.showStatusPicture(picture.readAll());
}
