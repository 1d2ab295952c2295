#include "shell/AccountActions.h"

#include "auth/ConsoleAuth.h"
#include "auth/Secrets.h"
#include "domain/ServerClock.h"

namespace server {

Result<> runAccountAction(const ServerOptions& options, QTextStream& input, QTextStream& output) {
    if (!secrets::initialise())
        return Failure{QStringLiteral("the cryptography library could not start")};
    ServerStore store;
    if (const auto opened = store.open(options.databaseFile, options.creation()); !opened)
        return Failure{
            QStringLiteral("cannot use the database %1: %2").arg(options.databaseFile, opened.reason())};
    AccountStore accounts(store);
    ConsoleAuth auth(accounts);
    const AccountAction& action = *options.account;
    const QDateTime now = currentTime();
    if (action.kind == AccountAction::Kind::AddOperator) {
        QString password = input.readLine();
        if (password.endsWith(QLatin1Char('\r')))
            password.chop(1);
        if (auto added = auth.addOperator(action.name, action.role, password, now); !added)
            return added;
        output << "operator " << action.name << " (" << roleText(action.role) << ") saved" << Qt::endl;
        return Result<>::success();
    }
    const auto token = auth.addToken(action.name, action.role, now);
    if (!token)
        return Failure{token.reason()};
    output << *token << Qt::endl;
    return Result<>::success();
}

} // namespace server
