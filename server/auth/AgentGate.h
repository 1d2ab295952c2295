#pragma once

#include "auth/EnrolmentPolicy.h"
#include "store/ServerStore.h"

namespace server {

// What the server does with an agent's request, decided from its name, the key it carried and where it
// came from.
struct Admission {
    enum class Verdict {
        Pass,           // the request speaks for the computer
        IssueKey,       // answer it and hand the agent its new key
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
    explicit AgentGate(ServerStore& store);
    void setOptions(const AgentGateOptions& options) { m_options = options; }

    // `key` is empty when the request carried none. A name without a key of its own (new, pending,
    // approved, or reset) enrols whatever key it sent, so an agent whose key was reset simply asks again.
    Result<Admission> admitSettingsRequest(const QString& name, const QString& key,
                                           const QString& clientAddress);
    Result<Admission> admitReport(const QString& name, const QString& key);

    // Stores the hash of a new key for the name and returns the key, to be sent once and never again.
    Result<QString> issueKey(const QString& name, const QString& clientAddress);

private:
    Result<Admission> admitNewName(const QString& name, std::optional<Enrolment> earlier,
                                   const QString& clientAddress);
    bool carriesRightKey(const Enrolment& enrolment, const QString& key) const;

    ServerStore& m_store;
    AgentGateOptions m_options;
};

} // namespace server
