#include "store/ConsoleSchema.h"

namespace server::schema {

QStringList consoleTables() {
    return {
        QStringLiteral("CREATE TABLE operators (name TEXT PRIMARY KEY, role TEXT NOT NULL, "
                       "password_hash TEXT NOT NULL, created_at TEXT NOT NULL)"),
        QStringLiteral("CREATE TABLE api_tokens (name TEXT PRIMARY KEY, role TEXT NOT NULL, "
                       "token_hash TEXT NOT NULL UNIQUE, created_at TEXT NOT NULL)"),
        QStringLiteral("CREATE TABLE sessions (token_hash TEXT PRIMARY KEY, "
                       "operator TEXT NOT NULL, "
                       "csrf_token TEXT NOT NULL, created_at TEXT NOT NULL, expires_at TEXT NOT NULL)"),
        QStringLiteral("CREATE TABLE login_failures (name TEXT PRIMARY KEY, failures INTEGER NOT NULL, "
                       "next_try_at TEXT NOT NULL)"),
        QStringLiteral(
            "CREATE TABLE audit (id INTEGER PRIMARY KEY, at TEXT NOT NULL, operator TEXT NOT NULL, "
            "computer TEXT NOT NULL, setting TEXT NOT NULL, old_value TEXT NOT NULL, "
            "new_value TEXT NOT NULL)"),
        QStringLiteral("CREATE INDEX audit_by_computer ON audit (computer, id)"),
        QStringLiteral("CREATE INDEX audit_by_operator ON audit (operator, id)"),
    };
}

} // namespace server::schema
