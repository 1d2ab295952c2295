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
};

QString stateText(Enrolment::State state);
std::optional<Enrolment::State> stateFromText(const QString& text);

} // namespace server
