#include "modules/ServerExchange.h"

#include "modules/AgentKey.h"
#include "modules/LocalDateTime.h"
#include "modules/SettingsPieces.h"
#include "modules/StatusReportBody.h"
#include "platform/Clock.h"
#include "WireFormat.h"

using namespace std::chrono_literals;

namespace {

const QString kFormHeader = QStringLiteral("Content-Type: application/x-www-form-urlencoded");
const QString kPost = QStringLiteral("POST");

QString waitForReply(platform::TransferChannel& channel) {
    channel.waitUntilDone();
    return channel.GetChunk();
}

// Every request to the central server carries the agent's key once it has one.
void post(platform::TransferChannel& channel, const QString& body) {
    mdlGeneral::presentAgentKey(channel);
    channel.Execute(channel.URL, kPost, body.toUtf8(), kFormHeader);
}

} // namespace

ServerExchange::ServerExchange(AgentState& state, StatusLog& log, AgentView& view, const QString& serverUrl)
    : state(state), log(log), view(view), InetReceive(5s), InetMessages(60s) {
    InetReceive.URL = serverUrl;
    InetMessages.URL = serverUrl;
}

void ServerExchange::ReceiveWWWSQL() {
    if (InetReceive.StillExecuting())
        return;
    log.append(QStringLiteral("Connecting to KOVA Server (Get)..."));
    post(InetReceive, wire::settingsRequestBody(state.ComputerName));
    const QString reply = waitForReply(InetReceive);
    const auto fail = [this] {
        log.append(QStringLiteral("Connection failed to the KOVA Server (Get)."));
        state.NoInternet = true;
    };
    if (reply.isEmpty())
        return fail();
    if (const Result<> kept = mdlGeneral::keepIssuedAgentKey(InetReceive); !kept) {
        log.append(QStringLiteral("The key from the KOVA Server could not be saved (") + kept.reason() +
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

bool ServerExchange::SendWWWSQL() {
    if (InetMessages.StillExecuting())
        return false;
    log.append(kLineBreak + QStringLiteral("Connecting to KOVA Server (Send)..."));
    log.append(QStringLiteral("Sending data..."));
    const QString body = buildStatusReport(state, platform::now());
    post(InetMessages, body);
    const QString reply = waitForReply(InetMessages);
    view.showServerMessage(QStringLiteral("Registered Computer Name: ") + state.ComputerName + kLineBreak +
                           reply);
    if (reply.isEmpty()) {
        log.append(QStringLiteral("Connection failed to KOVA Server (Send)."));
        return false;
    }
    log.append(QStringLiteral("Transmission successful! (") + formatGeneralDateTime(platform::now()) +
               QLatin1Char(')'));
    state.NoInternet = false;
    return true;
}

// Under open enrolment the announcement is what enrols the computer, so a key in its answer is kept.
void ServerExchange::announceName(const QString& name) {
    post(InetReceive, wire::settingsRequestBody(name));
    waitForReply(InetReceive);
    // Under open enrolment the announcement is what enrols the computer, so a key in its answer is kept.
    // Setup reads nothing of the answer; a key not kept is asked for again by a reset.
    [[maybe_unused]] const Result<> kept = mdlGeneral::keepIssuedAgentKey(InetReceive);
}
