// The folder scan of every cycle: each slot counted and judged, the alert decided, the tree rebuilt.
#include "modules/Agent.h"
#include "modules/AgentError.h"
#include "modules/BlankTrim.h"
#include "modules/DateTimeText.h"
#include "modules/GetFolderStats.h"
#include "modules/mdlSystemTray.h"
#include "modules/RebootSchedule.h"
#include "modules/SlotEvaluation.h"
#include "platform/Clock.h"
#include "platform/ExecutableFolder.h"
#include "platform/Power.h"

#include <QFile>

using namespace mdlProcessAlerts;

void Agent::ProcessAlerts() {
    try {
        state.AlertText.clear();
        state.RebootDue = false;
        mdlRebootServer::runRebootTest(state, platform::now(),
                                       platform::Seam<platform::Power>::get().machineStarted());
        tree.removeChildren();
        for (int k = 1; k <= kSlotCount; ++k)
            scanSlot(k);
        decideAlert();
        SetFolderIcons();
        if (tree.count() > 1)
            view.ensureFolderVisible(tree.lastAddedKey());
    } catch (const AgentError&) {
        log.append(kLineBreak + QStringLiteral("Error processing alerts (") +
                   formatGeneralDateTime(platform::now()) + QStringLiteral(") "));
    }
    view.showFolderTree(tree);
}

void Agent::scanSlot(int k) {
    if (!slotIsActive(state.Dir[k])) {
        state.Size[k] = QStringLiteral("0");
        state.Count[k] = QStringLiteral("0");
        return;
    }
    const SlotResult result = evaluateSlot(k, state.Dir[k], state.Alert[k], GetFolderStats(state.Dir[k]));
    if (result.state != SlotState::ScanError) {
        state.Size[k] = result.size;
        state.Count[k] = result.count;
    }
    const auto addNode = [&] {
        if (!tree.addChild({QStringLiteral("zDir%1").arg(k), state.Dir[k], imageFor(result.state)}))
            throw AgentError(QStringLiteral("the folder tree has no root"));
    };
    if (result.state == SlotState::NearLimit) {
        addNode();
        state.AlertText += result.alertLine;
    } else {
        state.AlertText += result.alertLine;
        addNode();
    }
}

void Agent::decideAlert() {
    if (state.AlertText.isEmpty()) {
        state.AlertStatus = QStringLiteral("0");
        state.Message = QStringLiteral("System OK.");
        tmrIconLoop.stop();
        mdlSystemTray::RestoreTrayIcon(view, state);
        return;
    }
    state.AlertStatus = QStringLiteral("1");
    state.Message = trimBlanks(state.AlertText);
    log.append(kLineBreak + QStringLiteral("ALERT! There were alerts found:"));
    log.append(state.AlertText);
    tmrIconLoop.start();
}

void Agent::SetFolderIcons() {
    const QString name = state.AlertStatus == QLatin1String("0") ? QStringLiteral("CheckMark.gif")
                                                                 : QStringLiteral("XMark.gif");
    const QString path = platform::executableFolder() + QLatin1Char('/') + name;
    QFile picture(path);
    if (!picture.open(QIODevice::ReadOnly) || picture.size() == 0)
        throw AgentError(QStringLiteral("the picture %1 cannot be read").arg(path));
    view.showStatusPicture(picture.readAll());
}
