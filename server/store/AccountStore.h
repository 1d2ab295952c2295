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

    struct Login {
        Role role;
        QString passwordHash;
    };
    struct Token {
        QString name;
        Role role;
    };
    struct Session {
        QString operatorName;
        Role role;
        QString csrfToken;
    };
    struct Failures {
        int count = 0;
        QDateTime nextTryAt; // invalid: may try at once
    };

    // Adds the operator, or gives an existing one the new role and password and ends its sessions.
    Result<> saveOperator(const QString& name, Role role, const QString& passwordHash, const QDateTime& now);
    // Adds the token, or replaces the one of that name (the old token stops working).
    Result<> saveToken(const QString& name, Role role, const QString& tokenDigest, const QDateTime& now);

    // Empty: no such operator or token.
    Result<std::optional<Login>> login(const QString& name);
    Result<std::optional<Token>> token(const QString& tokenDigest);

    Result<> saveSession(const QString& tokenDigest, const QString& operatorName, const QString& csrfToken,
                         const QDateTime& now, const QDateTime& expiresAt);
    // A session that has not expired by `now`, with its operator's present role; empty when there is none.
    Result<std::optional<Session>> session(const QString& tokenDigest, const QDateTime& now);
    Result<> deleteSession(const QString& tokenDigest);

    Result<Failures> failures(const QString& name);
    Result<> saveFailures(const QString& name, const Failures& failures);
    Result<> clearFailures(const QString& name);

private:
    // One statement as its own transaction, so it is refused like any other change when the database
    // file was replaced.
    Result<> write(const QString& statement, const QVariantList& values);

    ServerStore& m_store;
};

} // namespace server
