#include "auth/AgentGate.h"

#include "auth/AgentKey.h"
#include "domain/ServerClock.h"

namespace server {
namespace {

using State = Enrolment::State;
using Verdict = Admission::Verdict;

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
        return admitNewName(name, enrolment, clientAddress);
    switch (enrolment->state) {
    case State::Pending:
        return Admission{Verdict::Pending};
    case State::Admitted:
        return Admission{Verdict::IssueKey};
    default:
        return Admission{carriesRightKey(*enrolment, key) ? Verdict::Pass : Verdict::Unauthorised};
    }
}

Result<Admission> AgentGate::admitNewName(const QString& name, std::optional<Enrolment> earlier,
                                          const QString& clientAddress) {
    if (m_options.policy == EnrolmentPolicy::Closed)
        return Admission{Verdict::Closed};
    const QDateTime now = currentTime();
    const auto recent = m_store.countNamesAskedFrom(clientAddress, now.addSecs(-60));
    if (!recent)
        return Failure{recent.reason()};
    if (*recent >= m_options.newNamesPerMinute)
        return Admission{Verdict::TooManyNewNames};
    if (m_options.policy == EnrolmentPolicy::Open)
        return Admission{Verdict::IssueKey};
    Enrolment pending = earlier.value_or(Enrolment{});
    pending.name = name;
    pending.state = State::Pending;
    pending.askedAt = now;
    pending.askedFrom = clientAddress;
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
    const auto read = m_store.readEnrolment(name);
    if (!read)
        return Failure{read.reason()};
    const std::optional<Enrolment>& enrolment = *read;
    Enrolment keyed = enrolment.value_or(Enrolment{});
    if (!enrolment || keyed.state == State::Reset) {
        keyed.askedAt = currentTime();
        keyed.askedFrom = clientAddress;
    }
    const QString key = newAgentKey();
    keyed.name = name;
    keyed.state = State::Keyed;
    keyed.keyHash = agentKeyHash(key);
    if (auto saved = m_store.saveEnrolment(keyed); !saved)
        return Failure{saved.reason()};
    return key;
}

} // namespace server
