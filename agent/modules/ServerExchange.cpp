#include "modules/ServerExchange.h"

#include "modules/AgentKey.h"
#include "modules/LocalDateTime.h"
#include "modules/LogLines.h"
#include "modules/SettingsPieces.h"
#include "modules/StatusReportBody.h"
#include "platform/Clock.h"
#include "WireFormat.h"

using namespace std::chrono_literals;

namespace {

const QString kFormHeader = QStringLiteral("Content-Type: application/x-www-form-urlencoded");
const QString kPost = QStringLiteral("POST");
constexpr qsizetype kQuotedAnswer = 200; // of the server's text in a log line
constexpr int kDisablePiece = 26;

QString waitForReply(platform::TransferChannel& channel) {
    channel.waitUntilDone();
    return channel.GetChunk();
}

// An answer whose status is not 2xx (a refusal, a server error, a redirect elsewhere) is no answer to use;
// the server's own text tells the operator why. A transfer without an answer has status 0 and is judged by
// its missing text.
Result<> acceptedAnswer(const platform::TransferChannel& channel) {
    const int status = channel.httpStatus();
    if (status == 0 || (status >= 200 && status < 300))
        return Result<>::success();
    return Failure{QStringLiteral("the KOVA Server answered HTTP %1 (\"%2\").")
                       .arg(status)
                       .arg(escapeControlCharacters(channel.GetChunk().left(kQuotedAnswer)))};
}

// Settings are used whole or not at all: a short reply or an unreadable Disable changes no field.
Result<> wholeSettings(const QStringList& pieces) {
    if (pieces.size() < wire::kSettingsPieceCount)
        return Failure{QStringLiteral("the reply has %1 of the %2 settings.")
                           .arg(pieces.size())
                           .arg(wire::kSettingsPieceCount)};
    if (!wire::readTruthValue(pieces[kDisablePiece]))
        return Failure{QStringLiteral("the Disable setting \"%1\" is neither true nor false.")
                           .arg(escapeControlCharacters(pieces[kDisablePiece]))};
    return Result<>::success();
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
    const auto fail = [this](const QString& why = {}) {
        if (!why.isEmpty())
            log.append(why);
        log.append(QStringLiteral("Connection failed to the KOVA Server (Get)."));
        state.NoInternet = true;
    };
    const Result<> accepted = acceptedAnswer(InetReceive);
    if (!accepted || (reply.isEmpty() && InetReceive.errorText().isEmpty())) {
        // Answered without settings: waiting for approval, or refused. The operator compares the fingerprint
        // with the server's list before approving.
        fail(accepted ? QString() : QStringLiteral("Settings not used: ") + accepted.reason());
        return log.append(mdlGeneral::agentKeyFingerprintText());
    }
    if (reply.isEmpty())
        return fail();
    log.append(QStringLiteral("Connection successful. Downloading data."));
    const QStringList pieces = wire::splitSettingsReply(reply);
    if (const Result<> whole = wholeSettings(pieces); !whole)
        return fail(QStringLiteral("Settings not used: ") + whole.reason());
    // Kept only with settings that are used, and before them: settings whose key is lost are not used.
    if (const Result<> kept = mdlGeneral::keepIssuedAgentKey(InetReceive); !kept)
        return fail(QStringLiteral("The key from the KOVA Server could not be saved (") + kept.reason() +
                    QLatin1Char(')'));
    storeSettingsPieces(state, pieces);
    state.Disable = *wire::readTruthValue(state.Disable) ? QStringLiteral("1") : QStringLiteral("0");
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
    if (const Result<> accepted = acceptedAnswer(InetMessages); !accepted) {
        log.append(QStringLiteral("Transmission failed: ") + accepted.reason());
        return false;
    }
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
