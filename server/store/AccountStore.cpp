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
    return readRow<Login>(m_store.connection(),
                          QStringLiteral("SELECT role, password_hash FROM operators WHERE name = ?"), {name},
                          0, [](const QSqlQuery& row, Role role) {
                              return Login{role, row.value(1).toString()};
                          });
}

Result<std::optional<AccountStore::Token>> AccountStore::token(const QString& tokenDigest) {
    return readRow<Token>(m_store.connection(),
                          QStringLiteral("SELECT name, role FROM api_tokens WHERE token_hash = ?"),
                          {tokenDigest}, 1, [](const QSqlQuery& row, Role role) {
                              return Token{row.value(0).toString(), role};
                          });
}

Result<> AccountStore::saveSession(const QString& tokenDigest, const QString& operatorName,
                                   const QString& csrfToken, const QDateTime& now,
                                   const QDateTime& expiresAt) {
    // Expired sessions go when new ones come, so the table never grows past the sessions in use.
    return m_store.inTransaction([&]() -> Result<> {
        QSqlQuery query(m_store.connection());
        if (auto swept = sql::run(query, QStringLiteral("DELETE FROM sessions WHERE expires_at <= ?"),
                                  {sql::storedTime(now)});
            !swept)
            return swept;
        return sql::run(
            query,
            QStringLiteral("INSERT INTO sessions (token_hash, operator, csrf_token, created_at, "
                           "expires_at) VALUES (?, ?, ?, ?, ?)"),
            {tokenDigest, operatorName, csrfToken, sql::storedTime(now), sql::storedTime(expiresAt)});
    });
}

Result<std::optional<AccountStore::Session>> AccountStore::session(const QString& tokenDigest,
                                                                   const QDateTime& now) {
    return readRow<Session>(m_store.connection(),
                            QStringLiteral("SELECT s.operator, o.role, s.csrf_token FROM sessions s "
                                           "JOIN operators o ON o.name = s.operator "
                                           "WHERE s.token_hash = ? AND s.expires_at > ?"),
                            {tokenDigest, sql::storedTime(now)}, 1, [](const QSqlQuery& row, Role role) {
                                return Session{row.value(0).toString(), role, row.value(2).toString()};
                            });
}

Result<> AccountStore::deleteSession(const QString& tokenDigest) {
    return write(QStringLiteral("DELETE FROM sessions WHERE token_hash = ?"), {tokenDigest});
}

Result<AccountStore::Failures> AccountStore::failures(const QString& name) {
    QSqlQuery query(m_store.connection());
    if (auto done = sql::run(
            query, QStringLiteral("SELECT failures, next_try_at FROM login_failures WHERE name = ?"), {name});
        !done)
        return Failure{done.reason()};
    if (!query.next())
        return Failures{};
    return Failures{query.value(0).toInt(), sql::readStoredTime(query.value(1).toString())};
}

Result<> AccountStore::saveFailures(const QString& name, const Failures& failures) {
    return write(QStringLiteral("INSERT INTO login_failures (name, failures, next_try_at) VALUES (?, ?, ?) "
                                "ON CONFLICT (name) DO UPDATE SET failures = excluded.failures, "
                                "next_try_at = excluded.next_try_at"),
                 {name, failures.count, sql::text(sql::storedTime(failures.nextTryAt))});
}

Result<> AccountStore::clearFailures(const QString& name) {
    return write(QStringLiteral("DELETE FROM login_failures WHERE name = ?"), {name});
}

} // namespace server
