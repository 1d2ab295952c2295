#include "auth/AgentGate.h"

#include "auth/AgentKey.h"

namespace server {
namespace {

using State = Enrolment::State;
using Verdict = Admission::Verdict;

} // namespace

AgentGate::AgentGate(ServerStore& store, Clock clock) : m_store(store), m_clock(std::move(clock)) {}

// A computer marked keyless passes without a key, but never with a wrong one.
bool AgentGate::carriesRightKey(const Enrolment& enrolment, const QString& key) const {
    if (key.isEmpty())
        return enrolment.keyless;
    return enrolment.state == State::Keyed && agentKeyMatches(key, enrolment.keyHash);
}

std::optional<Admission> AgentGate::admitSettingsRequest(const QString& name, const QString& key,
                                                         const QString& clientAddress, QString* error) {
    std::optional<Enrolment> enrolment;
    if (!m_store.readEnrolment(name, enrolment, error))
        return std::nullopt;
    if (!enrolment || enrolment->state == State::Reset)
        return admitNewName(name, enrolment, clientAddress, error);
    switch (enrolment->state) {
    case State::Pending:
        return Admission{Verdict::Pending};
    case State::Admitted:
        return Admission{Verdict::IssueKey};
    default:
        return Admission{carriesRightKey(*enrolment, key) ? Verdict::Pass : Verdict::Unauthorised};
    }
}

std::optional<Admission> AgentGate::admitNewName(const QString& name, std::optional<Enrolment> earlier,
                                                 const QString& clientAddress, QString* error) {
    if (m_options.policy == EnrolmentPolicy::Closed)
        return Admission{Verdict::Closed};
    const QDateTime now = m_clock();
    const auto recent = m_store.countNamesAskedFrom(clientAddress, now.addSecs(-60), error);
    if (!recent)
        return std::nullopt;
    if (*recent >= m_options.newNamesPerMinute)
        return Admission{Verdict::TooManyNewNames};
    if (m_options.policy == EnrolmentPolicy::Open)
        return Admission{Verdict::IssueKey};
    Enrolment pending = earlier.value_or(Enrolment{});
    pending.name = name;
    pending.state = State::Pending;
    pending.askedAt = now;
    pending.askedFrom = clientAddress;
    if (!m_store.saveEnrolment(pending, error))
        return std::nullopt;
    return Admission{Verdict::Pending};
}

std::optional<Admission> AgentGate::admitReport(const QString& name, const QString& key, QString* error) {
    std::optional<Enrolment> enrolment;
    if (!m_store.readEnrolment(name, enrolment, error))
        return std::nullopt;
    const bool admitted = enrolment && enrolment->state != State::Pending && enrolment->state != State::Reset;
    return Admission{admitted && carriesRightKey(*enrolment, key) ? Verdict::Pass : Verdict::Unauthorised};
}

std::optional<QString> AgentGate::issueKey(const QString& name, const QString& clientAddress,
                                           QString* error) {
    std::optional<Enrolment> enrolment;
    if (!m_store.readEnrolment(name, enrolment, error))
        return std::nullopt;
    Enrolment keyed = enrolment.value_or(Enrolment{});
    if (!enrolment || keyed.state == State::Reset) {
        keyed.askedAt = m_clock();
        keyed.askedFrom = clientAddress;
    }
    const QString key = newAgentKey();
    keyed.name = name;
    keyed.state = State::Keyed;
    keyed.keyHash = agentKeyHash(key);
    if (!m_store.saveEnrolment(keyed, error))
        return std::nullopt;
    return key;
}

} // namespace server
