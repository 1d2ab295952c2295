#include "store/Migrations.h"

#include "store/AlertingSchema.h"
#include "store/ConsoleSchema.h"
#include "store/OperatorActionSchema.h"
#include "store/RetentionSchema.h"
#include "store/StoreSchema.h"

namespace server {
namespace {

// The tables of the first server: settings, latest status and report history. "IF NOT EXISTS" because
// that server created them without recording a version on some databases.
QStringList firstSchema() {
    return schema::createStatements();
}

// Agent keys and enrolment: one row per name that asked to be admitted, and what the operator decided.
// Computers already known were admitted by the server that registered them, so they get their key at
// their next contact. The index on received_at lets retention find old reports without a full scan.
QStringList enrolmentAndRetention() {
    return {
        QStringLiteral("CREATE TABLE enrolments (name TEXT PRIMARY KEY, state TEXT NOT NULL, "
                       "key_hash TEXT NOT NULL DEFAULT '', keyless INTEGER NOT NULL DEFAULT 0, "
                       "asked_at TEXT NOT NULL, asked_from TEXT NOT NULL DEFAULT '')"),
        QStringLiteral("CREATE INDEX enrolments_by_asker ON enrolments (asked_from, asked_at)"),
        QStringLiteral("INSERT INTO enrolments (name, state, asked_at) "
                       "SELECT name, 'admitted', registered_at FROM computers"),
        QStringLiteral("CREATE INDEX reports_by_time ON reports (received_at)"),
    };
}

// Enrolment bound to the agent that asked: the hash of the key that first asked for a new or reset name,
// which approval then admits and no other key.
QStringList pendingKeys() {
    return {QStringLiteral("ALTER TABLE enrolments ADD COLUMN pending_key_hash TEXT NOT NULL DEFAULT ''")};
}

// When each computer last downloaded its settings and when an operator last changed each setting, so that a
// report built on older settings cannot overwrite an operator's change.
QStringList settingsProvenance() {
    return {
        QStringLiteral("ALTER TABLE computers ADD COLUMN settings_downloaded_at TEXT NOT NULL DEFAULT ''"),
        QStringLiteral("CREATE TABLE operator_changes (computer TEXT NOT NULL, setting TEXT NOT NULL, "
                       "changed_at TEXT NOT NULL, PRIMARY KEY (computer, setting))"),
    };
}

// Free-space thresholds: each computer's own (empty: the fleet's) and the fleet's default, kept with any
// later fleet-wide setting by name.
QStringList diskThresholds() {
    return {
        QStringLiteral("ALTER TABLE computers ADD COLUMN disk_threshold TEXT NOT NULL DEFAULT ''"),
        QStringLiteral("CREATE TABLE fleet_settings (name TEXT PRIMARY KEY, value TEXT NOT NULL)"),
    };
}

// A computer's history over a time range is read by computer and time; without this index every report of
// the computer is read and sorted, even for a day.
QStringList historyIndex() {
    return {
        QStringLiteral("CREATE INDEX reports_by_computer_time ON reports (\"sComputerName\", received_at)")};
}

// Tags on computers, read by computer for its page and by tag for the fleet's filter; a maintenance window
// planned for a tag (computer empty) covers whichever computers carry the tag while it runs.
QStringList tags() {
    return {
        QStringLiteral("CREATE TABLE computer_tags (computer TEXT NOT NULL, tag TEXT NOT NULL, "
                       "PRIMARY KEY (computer, tag))"),
        QStringLiteral("CREATE INDEX computer_tags_by_tag ON computer_tags (tag, computer)"),
        QStringLiteral("ALTER TABLE maintenance_windows ADD COLUMN tag TEXT NOT NULL DEFAULT ''"),
        QStringLiteral("CREATE INDEX maintenance_by_tag ON maintenance_windows (tag, ends_at)"),
    };
}

} // namespace

const QList<Migration>& migrations() {
    static const QList<Migration> all{{1, firstSchema()},
                                      {2, enrolmentAndRetention()},
                                      {3, schema::consoleTables()},
                                      {4, schema::alertingTables()},
                                      {5, pendingKeys()},
                                      {6, schema::boundedTables()},
                                      {7, settingsProvenance()},
                                      {8, diskThresholds()},
                                      {9, schema::operatorActionTables()},
                                      {10, historyIndex()},
                                      {11, tags()}};
    return all;
}

int latestSchemaVersion() {
    return migrations().constLast().version;
}

} // namespace server
