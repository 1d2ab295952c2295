#pragma once

#include "domain/Role.h"
#include "store/ServerStore.h"

#include <optional>
#include <QDateTime>

namespace server {

// Operators, API tokens, sessions and failed logins, in the server's database. Secrets arrive here
// already hashed; nothing in these tables lets anyone log in.
class AccountStore {
public:
    explicit AccountStore(ServerStore& store) : m_store(store) {}

    // Failed logins that one question counts: how many, the first and the last.
    struct FailureSpan {
        int count = 0;
        QDateTime first;
        QDateTime last;
    };
    struct Login {
        Role role;
        QString passwordHash;
        QDateTime lastLoginAt; // invalid: never logged in
    };
    struct Token {
        QString name;
        Role role;
    };
    struct Session {
        QString operatorName;
        Role role;
        QString csrfToken;
        FailureSpan failuresBefore; // failed logins of the name between its previous login and this one
    };
    struct NewSession {
        QString tokenDigest;
        QString operatorName;
        QString csrfToken;
        QDateTime now;
        QDateTime expiresAt;
        QString address; // where the login came from
        FailureSpan failuresBefore;
    };

    // Adds the operator, or gives an existing one the new role and password and ends its sessions.
    Result<> saveOperator(const QString& name, Role role, const QString& passwordHash, const QDateTime& now);
    // Adds the token, or replaces the one of that name (the old token stops working).
    Result<> saveToken(const QString& name, Role role, const QString& tokenDigest, const QDateTime& now);

    // Empty: no such operator or token.
    Result<std::optional<Login>> login(const QString& name);
    Result<std::optional<Token>> token(const QString& tokenDigest);

    // A good login: starts the session, makes `now` the operator's last login and forgets the name's
    // failures from that address.
    Result<> saveLogin(const NewSession& session);
    // A session that has not expired by `now`, with its operator's present role; empty when there is none.
    Result<std::optional<Session>> session(const QString& tokenDigest, const QDateTime& now);
    Result<> deleteSession(const QString& tokenDigest);

    // Failed logins since `since`: from the address under any name; of the name from the address; of the
    // name from anywhere.
    Result<FailureSpan> failuresFrom(const QString& address, const QDateTime& since);
    Result<FailureSpan> failuresOf(const QString& name, const QString& address, const QDateTime& since);
    Result<FailureSpan> failuresOf(const QString& name, const QDateTime& since);
    Result<> addFailure(const QString& name, const QString& address, const QDateTime& at);

private:
    // One statement as its own transaction, so it is refused like any other change when the database
    // file was replaced.
    Result<> write(const QString& statement, const QVariantList& values);
    Result<FailureSpan> failureSpan(const QString& condition, const QVariantList& values);

    ServerStore& m_store;
};

} // namespace server
