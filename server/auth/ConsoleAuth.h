#pragma once

#include "auth/LoginBackoff.h"
#include "domain/Role.h"
#include "store/AccountStore.h"

#include <optional>

namespace server {

// Who asks the console API: an operator through a session, or a script through an API token.
struct Caller {
    QString name;
    Role role = Role::Viewer;
    QString csrfToken; // empty for an API token, which is never sent by a browser on its own
    // An operator's session: the failed logins of the name between its previous login and this session's,
    // which the operator is told of.
    AccountStore::FailureSpan failuresBefore;
};

// Logins, sessions and tokens: the rules, with the tables behind AccountStore.
class ConsoleAuth {
public:
    explicit ConsoleAuth(AccountStore& accounts) : m_accounts(accounts) {}

    static constexpr qint64 kSessionSeconds = 12 * 3600;

    struct LoginResult {
        enum class Outcome { LoggedIn, WrongCredentials, MustWait, Unfit, Failed } outcome = Outcome::Failed;
        Caller caller;          // LoggedIn
        QString sessionToken;   // LoggedIn: the cookie's value, never stored as it is
        qint64 waitSeconds = 0; // MustWait, and WrongCredentials when this failure started a wait
        QString error;          // Unfit (a name or password no operator can have), Failed
    };

    // Checks the password unless the name must still wait at this client address, or the address after
    // failures under any name (see LoginBackoff); counts failures and clears the name's at this address
    // on success. Names and passwords out of bounds are refused before anything is stored or hashed.
    LoginResult login(const QString& name, const QString& password, const QString& address,
                      const QDateTime& now);

    // The caller a session cookie or a bearer token stands for; empty when it is not valid.
    Result<std::optional<Caller>> sessionCaller(const QString& sessionToken, const QDateTime& now);
    Result<std::optional<Caller>> tokenCaller(const QString& bearerToken);

    Result<> logout(const QString& sessionToken);

    // Account actions of the command line: the token is returned once and stored only as a digest.
    Result<> addOperator(const QString& name, Role role, const QString& password, const QDateTime& now);
    Result<QString> addToken(const QString& name, Role role, const QDateTime& now);

private:
    Result<RecentFailures> recentFailures(const QString& name, const QString& address, const QDateTime& now);
    LoginResult failedLogin(const QString& name, const QString& address, const RecentFailures& earlier,
                            const QDateTime& now);
    LoginResult loggedIn(const QString& name, const AccountStore::Login& login, const QString& address,
                         const QDateTime& now);

    AccountStore& m_accounts;
};

// Whether a name or password can be an operator's, and why not.
Result<> checkOperatorName(const QString& name);
Result<> checkPassword(const QString& password);
// Whether a login's name and password are within the bounds an operator's have; the password's length only,
// so that a short wrong one still counts as a failure.
Result<> checkLoginFields(const QString& name, const QString& password);

} // namespace server
