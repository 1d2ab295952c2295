// The two exchanges with the central server: the settings download and the status report.
#include "modules/Agent.h"
#include "modules/AgentKey.h"
#include "modules/DateTimeText.h"
#include "modules/SettingsPieces.h"
#include "modules/StatusReportBody.h"
#include "platform/Clock.h"
#include "platform/EventWait.h"
#include "WireFormat.h"

namespace {

const QString kFormHeader = QStringLiteral("Content-Type: application/x-www-form-urlencoded");
const QString kPost = QStringLiteral("POST");

QString waitForReply(platform::TransferChannel& channel) {
    platform::waitWhile([&channel] { return channel.StillExecuting(); });
    return channel.GetChunk();
}

} // namespace

void Agent::ReceiveWWWSQL() {
    if (InetReceive.StillExecuting())
        return;
    log.append(QStringLiteral("Connecting to KOVA Server (Get)..."));
    mdlGeneral::presentAgentKey(InetReceive);
    InetReceive.Execute(InetReceive.URL, kPost, wire::settingsRequestBody(state.ComputerName).toUtf8(),
                        kFormHeader);
    const QString reply = waitForReply(InetReceive);
    const auto fail = [this] {
        log.append(QStringLiteral("Connection failed to the KOVA Server (Get)."));
        state.NoInternet = true;
    };
    if (reply.isEmpty())
        return fail();
    QString keyError;
    if (!mdlGeneral::keepIssuedAgentKey(InetReceive, &keyError)) {
        log.append(QStringLiteral("The key from the KOVA Server could not be saved (") + keyError +
                   QLatin1Char(')'));
        return fail();
    }
    log.append(QStringLiteral("Connection successful. Downloading data."));
    if (storeSettingsPieces(state, wire::splitSettingsReply(reply)) < wire::kSettingsPieceCount)
        return fail();
    const auto disable = wire::readTruthValue(state.Disable);
    if (!disable)
        return fail();
    state.Disable = *disable ? QStringLiteral("1") : QStringLiteral("0");
    log.append(QStringLiteral("Download successful."));
    state.NoInternet = false;
}

void Agent::SendWWWSQL() {
    if (InetMessages.StillExecuting())
        return;
    log.append(kLineBreak + QStringLiteral("Connecting to KOVA Server (Send)..."));
    log.append(QStringLiteral("Sending data..."));
    const QString body = buildStatusReport(state, platform::now());
    mdlGeneral::presentAgentKey(InetMessages);
    InetMessages.Execute(InetMessages.URL, kPost, body.toUtf8(), kFormHeader);
    const QString reply = waitForReply(InetMessages);
    view.showServerMessage(QStringLiteral("Registered Computer Name: ") + state.ComputerName + kLineBreak +
                           reply);
    if (reply.isEmpty()) {
        log.append(QStringLiteral("Connection failed to KOVA Server (Send)."));
        return;
    }
    log.append(QStringLiteral("Transmission successful! (") + formatGeneralDateTime(platform::now()) +
               QLatin1Char(')'));
    state.NoInternet = false;
    cycleReportDelivered = true;
}
