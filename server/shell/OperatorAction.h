#pragma once

#include "store/ServerStore.h"

#include <QString>
#include <QTextStream>

namespace server {

// An enrolment decision given on the command line: the server does it on its database and ends instead
// of serving.
struct OperatorAction {
    enum class Kind { None, Approve, ResetKey, ListPending, AllowKeyless, RequireKey };
    Kind kind = Kind::None;
    QString name;
};

// Runs the action on the database file; returns the program's exit code (0 done, 1 refused or failed).
int runOperatorAction(const OperatorAction& action, const QString& databaseFile, NewDatabase creation,
                      QTextStream& out, QTextStream& err);

} // namespace server
