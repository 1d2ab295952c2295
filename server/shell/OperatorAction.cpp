#include "shell/OperatorAction.h"

#include "auth/EnrolmentDesk.h"
#include "store/ServerStore.h"

namespace server {
namespace {

using Kind = OperatorAction::Kind;

bool listPending(ServerStore& store, QTextStream& out, QString* error) {
    const auto pending = store.pendingEnrolments(error);
    if (!pending)
        return false;
    for (const Enrolment& enrolment : *pending)
        out << enrolment.name << '\t' << enrolment.askedAt.toString(Qt::ISODate) << '\t'
            << enrolment.askedFrom << '\n';
    return true;
}

bool decide(ServerStore& store, const OperatorAction& action, QTextStream& out, QString* error) {
    switch (action.kind) {
    case Kind::Approve:
        return approveComputer(store, action.name, QDateTime::currentDateTime(), error);
    case Kind::ResetKey:
        return resetComputerKey(store, action.name, error);
    case Kind::AllowKeyless:
        return setKeylessAllowed(store, action.name, true, error);
    case Kind::RequireKey:
        return setKeylessAllowed(store, action.name, false, error);
    case Kind::ListPending:
        return listPending(store, out, error);
    case Kind::None:
        break;
    }
    return true;
}

} // namespace

int runOperatorAction(const OperatorAction& action, const QString& databaseFile, QTextStream& out,
                      QTextStream& err) {
    ServerStore store;
    QString error;
    if (!store.open(databaseFile, &error)) {
        err << "kova_server: cannot use the database " << databaseFile << ": " << error << Qt::endl;
        return 1;
    }
    if (!decide(store, action, out, &error)) {
        err << "kova_server: " << error << Qt::endl;
        return 1;
    }
    out.flush();
    return 0;
}

} // namespace server
