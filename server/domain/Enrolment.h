#pragma once

#include <optional>
#include <QDateTime>
#include <QString>

namespace server {

// Where a computer name stands with the server: whether its agent may exchange, and how it proves it.
struct Enrolment {
    enum class State {
        Pending,  // asked while enrolment needs approval; gets nothing until an operator approves it
        Admitted, // approved (or known before keys existed); its next settings request gets a key
        Keyed,    // holds a key; every exchange must carry it
        Reset,    // its key was withdrawn; it enrols again as a new name would
    };

    QString name;
    State state = State::Pending;
    QString keyHash;      // empty until a key is issued
    bool keyless = false; // the operator allows reports and settings requests that carry no key
    QDateTime askedAt;    // when the name last asked to be admitted
    QString askedFrom;    // the client address it asked from
    // The hash of the key that asked first for this name while it is new, pending, approved or reset: the
    // only key approval admits. Empty when the name asked without a key (older agents).
    QString pendingKeyHash;
};

// A request for a name whose enrolment is bound to another key: refused, and told to the operators.
struct EnrolmentConflict {
    QString computer;
    QDateTime at;
    QString address;          // where the refused request came from
    QString fingerprint;      // of the key it carried; empty when it carried none
    QString boundFingerprint; // of the key the enrolment is bound to
};

QString stateText(Enrolment::State state);
std::optional<Enrolment::State> stateFromText(const QString& text);

} // namespace server
