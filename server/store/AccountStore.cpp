#include "store/AccountStore.h"

#include "store/SqlRun.h"

namespace server {

bool AccountStore::write(const QString& statement, const QVariantList& values, QString* error) {
    return m_store.inTransaction(
        [&] {
            QSqlQuery query(m_store.connection());
            return sql::run(query, statement, values, error);
        },
        error);
}

bool AccountStore::saveOperator(const QString& name, Role role, const QString& passwordHash,
                                const QDateTime& now, QString* error) {
    return m_store.inTransaction(
        [&] {
            QSqlQuery query(m_store.connection());
            return sql::run(query,
                            QStringLiteral("INSERT INTO operators (name, role, password_hash, created_at) "
                                           "VALUES (?, ?, ?, ?) ON CONFLICT (name) DO UPDATE SET "
                                           "role = excluded.role, password_hash = excluded.password_hash"),
                            {name, roleText(role), passwordHash, sql::storedTime(now)}, error) &&
                   sql::run(query, QStringLiteral("DELETE FROM sessions WHERE operator = ?"), {name}, error);
        },
        error);
}

bool AccountStore::saveToken(const QString& name, Role role, const QString& tokenDigest, const QDateTime& now,
                             QString* error) {
    return write(
        QStringLiteral("INSERT INTO api_tokens (name, role, token_hash, created_at) VALUES (?, ?, ?, ?) "
                       "ON CONFLICT (name) DO UPDATE SET role = excluded.role, "
                       "token_hash = excluded.token_hash, created_at = excluded.created_at"),
        {name, roleText(role), tokenDigest, sql::storedTime(now)}, error);
}

std::optional<AccountStore::Login> AccountStore::login(const QString& name, QString* error) {
    QSqlQuery query(m_store.connection());
    if (!sql::run(query, QStringLiteral("SELECT role, password_hash FROM operators WHERE name = ?"), {name},
                  error) ||
        !query.next())
        return std::nullopt;
    const auto role = roleFromText(query.value(0).toString());
    if (!role)
        return std::nullopt;
    return Login{*role, query.value(1).toString()};
}

std::optional<AccountStore::Token> AccountStore::token(const QString& tokenDigest, QString* error) {
    QSqlQuery query(m_store.connection());
    if (!sql::run(query, QStringLiteral("SELECT name, role FROM api_tokens WHERE token_hash = ?"),
                  {tokenDigest}, error) ||
        !query.next())
        return std::nullopt;
    const auto role = roleFromText(query.value(1).toString());
    if (!role)
        return std::nullopt;
    return Token{query.value(0).toString(), *role};
}

bool AccountStore::saveSession(const QString& tokenDigest, const QString& operatorName,
                               const QString& csrfToken, const QDateTime& now, const QDateTime& expiresAt,
                               QString* error) {
    // Expired sessions go when new ones come, so the table never grows past the sessions in use.
    return m_store.inTransaction(
        [&] {
            QSqlQuery query(m_store.connection());
            return sql::run(query, QStringLiteral("DELETE FROM sessions WHERE expires_at <= ?"),
                            {sql::storedTime(now)}, error) &&
                   sql::run(
                       query,
                       QStringLiteral("INSERT INTO sessions (token_hash, operator, csrf_token, created_at, "
                                      "expires_at) VALUES (?, ?, ?, ?, ?)"),
                       {tokenDigest, operatorName, csrfToken, sql::storedTime(now),
                        sql::storedTime(expiresAt)},
                       error);
        },
        error);
}

std::optional<AccountStore::Session> AccountStore::session(const QString& tokenDigest, const QDateTime& now,
                                                           QString* error) {
    QSqlQuery query(m_store.connection());
    if (!sql::run(query,
                  QStringLiteral("SELECT s.operator, o.role, s.csrf_token FROM sessions s "
                                 "JOIN operators o ON o.name = s.operator "
                                 "WHERE s.token_hash = ? AND s.expires_at > ?"),
                  {tokenDigest, sql::storedTime(now)}, error) ||
        !query.next())
        return std::nullopt;
    const auto role = roleFromText(query.value(1).toString());
    if (!role)
        return std::nullopt;
    return Session{query.value(0).toString(), *role, query.value(2).toString()};
}

bool AccountStore::deleteSession(const QString& tokenDigest, QString* error) {
    return write(QStringLiteral("DELETE FROM sessions WHERE token_hash = ?"), {tokenDigest}, error);
}

std::optional<AccountStore::Failures> AccountStore::failures(const QString& name, QString* error) {
    QSqlQuery query(m_store.connection());
    if (!sql::run(query, QStringLiteral("SELECT failures, next_try_at FROM login_failures WHERE name = ?"),
                  {name}, error))
        return std::nullopt;
    if (!query.next())
        return Failures{};
    return Failures{query.value(0).toInt(), sql::readStoredTime(query.value(1).toString())};
}

bool AccountStore::saveFailures(const QString& name, const Failures& failures, QString* error) {
    return write(QStringLiteral("INSERT INTO login_failures (name, failures, next_try_at) VALUES (?, ?, ?) "
                                "ON CONFLICT (name) DO UPDATE SET failures = excluded.failures, "
                                "next_try_at = excluded.next_try_at"),
                 {name, failures.count, sql::text(sql::storedTime(failures.nextTryAt))}, error);
}

bool AccountStore::clearFailures(const QString& name, QString* error) {
    return write(QStringLiteral("DELETE FROM login_failures WHERE name = ?"), {name}, error);
}

} // namespace server
