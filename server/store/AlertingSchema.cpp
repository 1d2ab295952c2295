#include "store/AlertingSchema.h"

#include "store/SqlDialect.h"

namespace server::schema {

QStringList alertingTables() {
    return {
        QStringLiteral("CREATE TABLE alert_conditions (computer TEXT NOT NULL, subject TEXT NOT NULL, "
                       "state TEXT NOT NULL, since TEXT NOT NULL, PRIMARY KEY (computer, subject))"),
        QStringLiteral("CREATE TABLE events (id %1, event_id TEXT NOT NULL UNIQUE, "
                       "kind TEXT NOT NULL, computer TEXT NOT NULL, at TEXT NOT NULL, body TEXT NOT NULL)")
            .arg(sql::rowIdColumn()),
        QStringLiteral("CREATE TABLE deliveries (event INTEGER NOT NULL REFERENCES events(id), "
                       "receiver TEXT NOT NULL, state TEXT NOT NULL, attempts INTEGER NOT NULL, "
                       "next_try_at TEXT NOT NULL, last_error TEXT NOT NULL, done_at TEXT NOT NULL, "
                       "PRIMARY KEY (event, receiver))"),
        QStringLiteral("CREATE INDEX deliveries_due ON deliveries (state, next_try_at)"),
    };
}

} // namespace server::schema
