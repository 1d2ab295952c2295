#include "shell/OperatorAction.h"

#include "AgentKeyHash.h"
#include "auth/EnrolmentDesk.h"
#include "domain/ServerClock.h"
#include "store/ServerStore.h"

namespace server {
namespace {

using Kind = OperatorAction::Kind;

// A name that asked without a key (an older agent) has nothing to compare.
QString fingerprintText(const Enrolment& enrolment) {
    const QString fingerprint = wire::keyFingerprint(enrolment.pendingKeyHash);
    return fingerprint.isEmpty() ? QStringLiteral("no key") : fingerprint;
}

Result<> listPending(ServerStore& store, QTextStream& out) {
    const auto pending = store.pendingEnrolments();
    if (!pending)
        return Failure{pending.reason()};
    for (const Enrolment& enrolment : *pending)
        out << enrolment.name << '\t' << enrolment.askedAt.toString(Qt::ISODate) << '\t'
            << enrolment.askedFrom << '\t' << fingerprintText(enrolment) << '\n';
    return Result<>::success();
}

Result<> decide(ServerStore& store, const OperatorAction& action, QTextStream& out) {
    switch (action.kind) {
    case Kind::Approve:
        return approveComputer(store, action.name, currentTime());
    case Kind::ResetKey:
        return resetComputerKey(store, action.name);
    case Kind::AllowKeyless:
        return setKeylessAllowed(store, action.name, true);
    case Kind::RequireKey:
        return setKeylessAllowed(store, action.name, false);
    case Kind::ListPending:
        return listPending(store, out);
    case Kind::None:
        break;
    }
    return Result<>::success();
}

} // namespace

int runOperatorAction(const OperatorAction& action, const QString& databaseFile, NewDatabase creation,
                      QTextStream& out, QTextStream& err) {
    ServerStore store;
    if (const auto opened = store.open(databaseFile, creation); !opened) {
        err << "kova_server: cannot use the database " << databaseFile << ": " << opened.reason() << Qt::endl;
        return 1;
    }
    if (const auto decided = decide(store, action, out); !decided) {
        err << "kova_server: " << decided.reason() << Qt::endl;
        return 1;
    }
    out.flush();
    return 0;
}

} // namespace server
