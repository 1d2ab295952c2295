#include "store/AccountStore.h"

#include "store/SqlRun.h"

namespace server {
namespace {

// Runs `text` with `values` and gives the role-bearing row it finds, made by `make`; empty when there is
// no row or its role is not one this server knows.
template <typename Row, typename Make>
Result<std::optional<Row>> readRow(QSqlDatabase& db, const QString& text, const QVariantList& values,
                                   int roleColumn, Make make) {
    QSqlQuery query(db);
    if (auto done = sql::run(query, text, values); !done)
        return Failure{done.reason()};
    if (!query.next())
        return std::optional<Row>();
    const auto role = roleFromText(query.value(roleColumn).toString());
    if (!role)
        return std::optional<Row>();
    return std::optional<Row>(make(query, *role));
}

} // namespace

Result<> AccountStore::write(const QString& statement, const QVariantList& values) {
    return m_store.inTransaction([&] {
        QSqlQuery query(m_store.connection());
        return sql::run(query, statement, values);
    });
}

Result<> AccountStore::saveOperator(const QString& name, Role role, const QString& passwordHash,
                                    const QDateTime& now) {
    return m_store.inTransaction([&]() -> Result<> {
        QSqlQuery query(m_store.connection());
        if (auto saved =
                sql::run(query,
                         QStringLiteral("INSERT INTO operators (name, role, password_hash, created_at) "
                                        "VALUES (?, ?, ?, ?) ON CONFLICT (name) DO UPDATE SET "
                                        "role = excluded.role, password_hash = excluded.password_hash"),
                         {name, roleText(role), passwordHash, sql::storedTime(now)});
            !saved)
            return saved;
        return sql::run(query, QStringLiteral("DELETE FROM sessions WHERE operator = ?"), {name});
    });
}

Result<> AccountStore::saveToken(const QString& name, Role role, const QString& tokenDigest,
                                 const QDateTime& now) {
    return write(
        QStringLiteral("INSERT INTO api_tokens (name, role, token_hash, created_at) VALUES (?, ?, ?, ?) "
                       "ON CONFLICT (name) DO UPDATE SET role = excluded.role, "
                       "token_hash = excluded.token_hash, created_at = excluded.created_at"),
        {name, roleText(role), tokenDigest, sql::storedTime(now)});
}

Result<std::optional<AccountStore::Login>> AccountStore::login(const QString& name) {
    return readRow<Login>(
        m_store.connection(),
        QStringLiteral("SELECT role, password_hash, last_login_at FROM operators WHERE name = ?"), {name}, 0,
        [](const QSqlQuery& row, Role role) {
            return Login{role, row.value(1).toString(), sql::readStoredTime(row.value(2).toString())};
        });
}

Result<std::optional<AccountStore::Token>> AccountStore::token(const QString& tokenDigest) {
    return readRow<Token>(m_store.connection(),
                          QStringLiteral("SELECT name, role FROM api_tokens WHERE token_hash = ?"),
                          {tokenDigest}, 1, [](const QSqlQuery& row, Role role) {
                              return Token{row.value(0).toString(), role};
                          });
}

Result<> AccountStore::saveLogin(const NewSession& session) {
    const QString now = sql::storedTime(session.now);
    const std::pair<QString, QVariantList> steps[] = {
        {QStringLiteral("INSERT INTO sessions (token_hash, operator, csrf_token, created_at, expires_at, "
                        "failed_logins, last_failed_login) VALUES (?, ?, ?, ?, ?, ?, ?)"),
         {session.tokenDigest, session.operatorName, session.csrfToken, now,
          sql::storedTime(session.expiresAt), session.failuresBefore.count,
          sql::text(sql::storedTime(session.failuresBefore.last))}},
        {QStringLiteral("UPDATE operators SET last_login_at = ? WHERE name = ?"),
         {now, session.operatorName}},
        {QStringLiteral("DELETE FROM login_failures WHERE name = ? AND address = ?"),
         {session.operatorName, session.address}}};
    return m_store.inTransaction([&]() -> Result<> {
        for (const auto& [statement, values] : steps) {
            QSqlQuery query(m_store.connection());
            if (auto done = sql::run(query, statement, values); !done)
                return done;
        }
        return Result<>::success();
    });
}

Result<std::optional<AccountStore::Session>> AccountStore::session(const QString& tokenDigest,
                                                                   const QDateTime& now) {
    return readRow<Session>(
        m_store.connection(),
        QStringLiteral("SELECT s.operator, o.role, s.csrf_token, s.failed_logins, s.last_failed_login "
                       "FROM sessions s JOIN operators o ON o.name = s.operator "
                       "WHERE s.token_hash = ? AND s.expires_at > ?"),
        {tokenDigest, sql::storedTime(now)}, 1, [](const QSqlQuery& row, Role role) {
            const QDateTime lastFailure = sql::readStoredTime(row.value(4).toString());
            return Session{row.value(0).toString(), role, row.value(2).toString(),
                           FailureSpan{row.value(3).toInt(), {}, lastFailure}};
        });
}

Result<> AccountStore::deleteSession(const QString& tokenDigest) {
    return write(QStringLiteral("DELETE FROM sessions WHERE token_hash = ?"), {tokenDigest});
}

Result<AccountStore::FailureSpan> AccountStore::failureSpan(const QString& condition,
                                                            const QVariantList& values) {
    QSqlQuery query(m_store.connection());
    if (auto done = sql::run(
            query, QStringLiteral("SELECT COUNT(*), MIN(at), MAX(at) FROM login_failures WHERE ") + condition,
            values);
        !done)
        return Failure{done.reason()};
    if (!query.next())
        return FailureSpan{};
    return FailureSpan{query.value(0).toInt(), sql::readStoredTime(query.value(1).toString()),
                       sql::readStoredTime(query.value(2).toString())};
}

Result<AccountStore::FailureSpan> AccountStore::failuresFrom(const QString& address, const QDateTime& since) {
    return failureSpan(QStringLiteral("address = ? AND at > ?"),
                       {address, sql::text(sql::storedTime(since))});
}

Result<AccountStore::FailureSpan> AccountStore::failuresOf(const QString& name, const QString& address,
                                                           const QDateTime& since) {
    return failureSpan(QStringLiteral("name = ? AND address = ? AND at > ?"),
                       {name, address, sql::text(sql::storedTime(since))});
}

Result<AccountStore::FailureSpan> AccountStore::failuresOf(const QString& name, const QDateTime& since) {
    return failureSpan(QStringLiteral("name = ? AND at > ?"), {name, sql::text(sql::storedTime(since))});
}

Result<> AccountStore::addFailure(const QString& name, const QString& address, const QDateTime& at) {
    return write(QStringLiteral("INSERT INTO login_failures (name, address, at) VALUES (?, ?, ?)"),
                 {name, address, sql::storedTime(at)});
}

} // namespace server
