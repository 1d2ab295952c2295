#pragma once

#include "auth/EnrolmentPolicy.h"
#include "store/ServerStore.h"

#include <functional>

namespace server {

// What the server does with an agent's request, decided from its name, the key it carried and where it
// came from.
struct Admission {
    enum class Verdict {
        Pass,           // the request speaks for the computer
        TakeKey,        // answer it; the key it carried becomes the computer's key
        IssueKey,       // answer it and hand the agent (one that sent no key) its new key
        Pending,        // waits for an operator's approval
        Unauthorised,   // a key is needed and this one is missing or wrong
        Closed,         // the server takes no new names
        TooManyNewNames // this client address asked for too many new names lately
    };
    Verdict verdict = Verdict::Unauthorised;
};

struct AgentGateOptions {
    EnrolmentPolicy policy = EnrolmentPolicy::Approve;
    int newNamesPerMinute = 30; // per client address: enough for a site's agents starting together
};

// The agents' door: enrolment under the policy, and the key check on every exchange.
class AgentGate {
public:
    using ConflictObserver = std::function<Result<>(const EnrolmentConflict&)>;

    explicit AgentGate(ServerStore& store);
    void setOptions(const AgentGateOptions& options) { m_options = options; }
    void setConflictObserver(ConflictObserver observer) { m_conflictObserver = std::move(observer); }

    // `key` is empty when the request carried none. A name without a key of its own (new, pending,
    // approved, or reset) is bound to the first key that asks for it: only that key is admitted, under
    // open enrolment at once, under approval once an operator approves. Any other key for it is refused
    // as a conflict. A name first asked for without a key gets a key from the server, as older agents
    // expect.
    Result<Admission> admitSettingsRequest(const QString& name, const QString& key,
                                           const QString& clientAddress);
    Result<Admission> admitReport(const QString& name, const QString& key);

    // Stores the hash of a new key for the name and returns the key, to be sent once and never again.
    Result<QString> issueKey(const QString& name, const QString& clientAddress);
    // Makes the key the request carried the name's key.
    Result<> takeKey(const QString& name, const QString& key, const QString& clientAddress);

private:
    Result<Admission> admitNewName(const QString& name, const QString& key, std::optional<Enrolment> earlier,
                                   const QString& clientAddress);
    Result<Admission> admitBoundKey(const Enrolment& enrolment, const QString& key,
                                    const QString& clientAddress);
    Result<Admission> refuseConflict(const Enrolment& enrolment, const QString& key,
                                     const QString& clientAddress);
    Result<> keepKeyHash(const QString& name, const QString& keyHash, const QString& clientAddress);
    bool carriesRightKey(const Enrolment& enrolment, const QString& key) const;

    ServerStore& m_store;
    AgentGateOptions m_options;
    ConflictObserver m_conflictObserver;
};

} // namespace server
