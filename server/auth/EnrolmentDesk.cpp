#include "auth/EnrolmentDesk.h"

namespace server {
namespace {

using State = Enrolment::State;

// The name's enrolment; a name that never asked is a failure here.
Result<Enrolment> knownEnrolment(ServerStore& store, const QString& name) {
    const auto enrolment = store.readEnrolment(name);
    if (!enrolment)
        return Failure{enrolment.reason()};
    if (!*enrolment)
        return Failure{QStringLiteral("no computer named \"%1\" has asked to enrol").arg(name)};
    return **enrolment;
}

} // namespace

Result<> approveComputer(ServerStore& store, const QString& name, const QDateTime& now) {
    const auto enrolment = store.readEnrolment(name);
    if (!enrolment)
        return Failure{enrolment.reason()};
    if (*enrolment && ((*enrolment)->state == State::Admitted || (*enrolment)->state == State::Keyed))
        return Failure{QStringLiteral("\"%1\" is already admitted").arg(name)};
    Enrolment admitted = enrolment->value_or(Enrolment{name, State::Pending, {}, false, now, {}, {}});
    admitted.state = State::Admitted;
    return store.saveEnrolment(admitted);
}

Result<> resetComputerKey(ServerStore& store, const QString& name) {
    auto enrolment = knownEnrolment(store, name);
    if (!enrolment)
        return Failure{enrolment.reason()};
    enrolment->state = State::Reset;
    enrolment->keyHash.clear();
    enrolment->pendingKeyHash.clear();
    return store.saveEnrolment(*enrolment);
}

Result<> setKeylessAllowed(ServerStore& store, const QString& name, bool allowed) {
    auto enrolment = knownEnrolment(store, name);
    if (!enrolment)
        return Failure{enrolment.reason()};
    enrolment->keyless = allowed;
    if (allowed && (enrolment->state == State::Pending || enrolment->state == State::Reset))
        enrolment->state = State::Admitted;
    return store.saveEnrolment(*enrolment);
}

} // namespace server
