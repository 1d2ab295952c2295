#include "shell/AccountActions.h"

#include "auth/ConsoleAuth.h"
#include "auth/Secrets.h"
#include "domain/ServerClock.h"

namespace server {

bool runAccountAction(const ServerOptions& options, QTextStream& input, QTextStream& output, QString* error) {
    if (!secrets::initialise()) {
        *error = QStringLiteral("the cryptography library could not start");
        return false;
    }
    ServerStore store;
    if (!store.open(options.databaseFile, error)) {
        *error = QStringLiteral("cannot use the database %1: %2").arg(options.databaseFile, *error);
        return false;
    }
    AccountStore accounts(store);
    ConsoleAuth auth(accounts);
    const AccountAction& action = *options.account;
    const QDateTime now = systemClock()();
    if (action.kind == AccountAction::Kind::AddOperator) {
        QString password = input.readLine();
        if (password.endsWith(QLatin1Char('\r')))
            password.chop(1);
        if (!auth.addOperator(action.name, action.role, password, now, error))
            return false;
        output << "operator " << action.name << " (" << roleText(action.role) << ") saved" << Qt::endl;
        return true;
    }
    const auto token = auth.addToken(action.name, action.role, now, error);
    if (!token)
        return false;
    output << *token << Qt::endl;
    return true;
}

} // namespace server
