#include "auth/EnrolmentDesk.h"

namespace server {
namespace {

using State = Enrolment::State;

std::optional<Enrolment> knownEnrolment(ServerStore& store, const QString& name, QString* error) {
    std::optional<Enrolment> enrolment;
    if (!store.readEnrolment(name, enrolment, error))
        return std::nullopt;
    if (!enrolment)
        *error = QStringLiteral("no computer named \"%1\" has asked to enrol").arg(name);
    return enrolment;
}

} // namespace

bool approveComputer(ServerStore& store, const QString& name, const QDateTime& now, QString* error) {
    std::optional<Enrolment> enrolment;
    if (!store.readEnrolment(name, enrolment, error))
        return false;
    if (enrolment && (enrolment->state == State::Admitted || enrolment->state == State::Keyed)) {
        *error = QStringLiteral("\"%1\" is already admitted").arg(name);
        return false;
    }
    Enrolment admitted = enrolment.value_or(Enrolment{name, State::Pending, {}, false, now, {}});
    admitted.state = State::Admitted;
    return store.saveEnrolment(admitted, error);
}

bool resetComputerKey(ServerStore& store, const QString& name, QString* error) {
    auto enrolment = knownEnrolment(store, name, error);
    if (!enrolment)
        return false;
    enrolment->state = State::Reset;
    enrolment->keyHash.clear();
    return store.saveEnrolment(*enrolment, error);
}

bool setKeylessAllowed(ServerStore& store, const QString& name, bool allowed, QString* error) {
    auto enrolment = knownEnrolment(store, name, error);
    if (!enrolment)
        return false;
    enrolment->keyless = allowed;
    if (allowed && (enrolment->state == State::Pending || enrolment->state == State::Reset))
        enrolment->state = State::Admitted;
    return store.saveEnrolment(*enrolment, error);
}

} // namespace server
