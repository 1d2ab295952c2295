#include "auth/AgentGate.h"

#include "AgentKeyHash.h"
#include "auth/AgentKey.h"
#include "domain/ServerClock.h"

#include <QDebug>

namespace server {
namespace {

using State = Enrolment::State;
using Verdict = Admission::Verdict;

QString fingerprintOf(const QString& key) {
    return key.isEmpty() ? QString() : wire::keyFingerprint(wire::agentKeyHash(key));
}

QString hashOf(const QString& key) {
    return key.isEmpty() ? QString() : wire::agentKeyHash(key);
}

} // namespace

AgentGate::AgentGate(ServerStore& store) : m_store(store) {}

// A computer marked keyless passes without a key, but never with a wrong one.
bool AgentGate::carriesRightKey(const Enrolment& enrolment, const QString& key) const {
    if (key.isEmpty())
        return enrolment.keyless;
    return enrolment.state == State::Keyed && agentKeyMatches(key, enrolment.keyHash);
}

Result<Admission> AgentGate::admitSettingsRequest(const QString& name, const QString& key,
                                                  const QString& clientAddress) {
    const auto read = m_store.readEnrolment(name);
    if (!read)
        return Failure{read.reason()};
    const std::optional<Enrolment>& enrolment = *read;
    if (!enrolment || enrolment->state == State::Reset)
        return admitNewName(name, key, enrolment, clientAddress);
    if (enrolment->state == State::Keyed)
        return Admission{carriesRightKey(*enrolment, key) ? Verdict::Pass : Verdict::Unauthorised};
    return admitBoundKey(*enrolment, key, clientAddress);
}

// A pending or approved name. The key it is bound to may wait or enrol, any other is a conflict. One that
// asked without a key (an older agent), or was approved before anyone asked, enrols the first request
// after approval, as before keys were bound.
Result<Admission> AgentGate::admitBoundKey(const Enrolment& enrolment, const QString& key,
                                           const QString& clientAddress) {
    const bool approved = enrolment.state == State::Admitted;
    if (enrolment.pendingKeyHash.isEmpty()) {
        if (!approved)
            return Admission{Verdict::Pending};
        return Admission{key.isEmpty() ? Verdict::IssueKey : Verdict::TakeKey};
    }
    if (key.isEmpty() || !agentKeyMatches(key, enrolment.pendingKeyHash))
        return refuseConflict(enrolment, key, clientAddress);
    return Admission{approved ? Verdict::TakeKey : Verdict::Pending};
}

// Nothing of the enrolment changes: the agent that asked first still enrols with its own key.
Result<Admission> AgentGate::refuseConflict(const Enrolment& enrolment, const QString& key,
                                            const QString& clientAddress) {
    const EnrolmentConflict conflict{enrolment.name, currentTime(), clientAddress, fingerprintOf(key),
                                     wire::keyFingerprint(enrolment.pendingKeyHash)};
    qWarning().noquote() << QStringLiteral("enrolment conflict: %1 asked for %2 with %3, but %2 is bound to "
                                           "the key %4 that asked from %5; refused")
                                .arg(clientAddress, enrolment.name,
                                     key.isEmpty() ? QStringLiteral("no key")
                                                   : QStringLiteral("the key %1").arg(conflict.fingerprint),
                                     conflict.boundFingerprint, enrolment.askedFrom);
    if (m_conflictObserver) {
        if (auto recorded = m_conflictObserver(conflict); !recorded)
            return Failure{recorded.reason()};
    }
    return Admission{Verdict::Unauthorised};
}

Result<Admission> AgentGate::admitNewName(const QString& name, const QString& key,
                                          std::optional<Enrolment> earlier, const QString& clientAddress) {
    if (m_options.policy == EnrolmentPolicy::Closed)
        return Admission{Verdict::Closed};
    const QDateTime now = currentTime();
    const auto recent = m_store.countNamesAskedFrom(clientAddress, now.addSecs(-60));
    if (!recent)
        return Failure{recent.reason()};
    if (*recent >= m_options.newNamesPerMinute)
        return Admission{Verdict::TooManyNewNames};
    if (m_options.policy == EnrolmentPolicy::Open)
        return Admission{key.isEmpty() ? Verdict::IssueKey : Verdict::TakeKey};
    Enrolment pending = earlier.value_or(Enrolment{});
    pending.name = name;
    pending.state = State::Pending;
    pending.askedAt = now;
    pending.askedFrom = clientAddress;
    pending.pendingKeyHash = hashOf(key);
    if (auto saved = m_store.saveEnrolment(pending); !saved)
        return Failure{saved.reason()};
    return Admission{Verdict::Pending};
}

Result<Admission> AgentGate::admitReport(const QString& name, const QString& key) {
    const auto read = m_store.readEnrolment(name);
    if (!read)
        return Failure{read.reason()};
    const std::optional<Enrolment>& enrolment = *read;
    const bool admitted = enrolment && enrolment->state != State::Pending && enrolment->state != State::Reset;
    return Admission{admitted && carriesRightKey(*enrolment, key) ? Verdict::Pass : Verdict::Unauthorised};
}

Result<QString> AgentGate::issueKey(const QString& name, const QString& clientAddress) {
    const QString key = wire::newAgentKey();
    if (auto kept = keepKeyHash(name, wire::agentKeyHash(key), clientAddress); !kept)
        return Failure{kept.reason()};
    return key;
}

Result<> AgentGate::takeKey(const QString& name, const QString& key, const QString& clientAddress) {
    return keepKeyHash(name, wire::agentKeyHash(key), clientAddress);
}

Result<> AgentGate::keepKeyHash(const QString& name, const QString& keyHash, const QString& clientAddress) {
    const auto read = m_store.readEnrolment(name);
    if (!read)
        return Failure{read.reason()};
    const std::optional<Enrolment>& enrolment = *read;
    Enrolment keyed = enrolment.value_or(Enrolment{});
    if (!enrolment || keyed.state == State::Reset) {
        keyed.askedAt = currentTime();
        keyed.askedFrom = clientAddress;
    }
    keyed.name = name;
    keyed.state = State::Keyed;
    keyed.keyHash = keyHash;
    keyed.pendingKeyHash.clear();
    return m_store.saveEnrolment(keyed);
}

} // namespace server
