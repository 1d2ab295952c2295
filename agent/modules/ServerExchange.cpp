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

} // namespace

// Every request to the central server carries the agent's key, from the very first one: the server binds a
// new name to the key that asked for it. A key that cannot be stored is not sent (it would bind the name to
// a key the agent then loses); the server then hands one out as it does for older agents.
void ServerExchange::post(platform::TransferChannel& channel, const QString& body) {
    const auto key = mdlGeneral::agentKeyOrNew();
    if (!key)
        log.append(QStringLiteral("This computer's key could not be stored in %1 (%2); the request goes "
                                  "without one. Let the account that runs KOVA Oru write there.")
                       .arg(mdlGeneral::agentKeyFilePath(), key.reason()));
    else if (key->made)
        log.append(QStringLiteral("This computer made its key. ") + mdlGeneral::agentKeyFingerprintText());
    mdlGeneral::presentAgentKey(channel, key ? key->key : QString());
    channel.Execute(channel.URL, kPost, body.toUtf8(), kFormHeader);
}

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
    if (reply.isEmpty() && InetReceive.errorText().isEmpty()) {
        // Answered without settings: waiting for approval, or refused. The operator compares this with the
        // server's list before approving.
        fail();
        return log.append(mdlGeneral::agentKeyFingerprintText());
    }
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
