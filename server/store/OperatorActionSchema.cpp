#include "store/OperatorActionSchema.h"

#include "store/SqlDialect.h"

namespace server::schema {

QStringList operatorActionTables() {
    return {
        QStringLiteral("CREATE TABLE acknowledgements (computer TEXT PRIMARY KEY, operator TEXT NOT NULL, "
                       "note TEXT NOT NULL, at TEXT NOT NULL, until_at TEXT NOT NULL, alert TEXT NOT NULL)"),
        QStringLiteral("CREATE TABLE maintenance_windows (id %1, computer TEXT NOT NULL, "
                       "starts_at TEXT NOT NULL, ends_at TEXT NOT NULL, operator TEXT NOT NULL, "
                       "note TEXT NOT NULL, created_at TEXT NOT NULL)")
            .arg(sql::rowIdColumn()),
        QStringLiteral("CREATE INDEX maintenance_by_computer ON maintenance_windows (computer, ends_at)"),
        QStringLiteral("ALTER TABLE events ADD COLUMN in_maintenance INTEGER NOT NULL DEFAULT 0"),
        // The events page filters by type or computer and pages by id.
        QStringLiteral("CREATE INDEX events_by_kind ON events (kind, id)"),
        QStringLiteral("CREATE INDEX events_by_computer ON events (computer, id)"),
        QStringLiteral("CREATE TABLE webhook_receivers (id %1, url TEXT NOT NULL UNIQUE, "
                       "secret TEXT NOT NULL, enabled INTEGER NOT NULL, added_by TEXT NOT NULL, "
                       "added_at TEXT NOT NULL, tested_at TEXT NOT NULL DEFAULT '', "
                       "test_answer TEXT NOT NULL DEFAULT '')")
            .arg(sql::rowIdColumn()),
    };
}

} // namespace server::schema
