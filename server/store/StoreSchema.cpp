#include "store/StoreSchema.h"

#include "domain/SettingsRecord.h"
#include "store/SqlDialect.h"
#include "WireFormat.h"

namespace server::schema {
namespace {

QStringList quoted(const QStringList& names) {
    QStringList list;
    for (const QString& name : names)
        list << QLatin1Char('"') + name + QLatin1Char('"');
    return list;
}

QString columnDefinitions(const QStringList& names) {
    return quoted(names).join(QStringLiteral(" TEXT NOT NULL, ")) + QStringLiteral(" TEXT NOT NULL");
}

QString placeholders(qsizetype count) {
    QStringList marks(count, QStringLiteral("?"));
    return marks.join(QStringLiteral(", "));
}

QString insertInto(const QString& table, const QStringList& columns) {
    return QStringLiteral("INTO %1 (%2) VALUES (%3)")
        .arg(table, columns.join(QStringLiteral(", ")), placeholders(columns.size()));
}

} // namespace

QStringList createStatements() {
    return {
        QStringLiteral("CREATE TABLE IF NOT EXISTS computers (name TEXT PRIMARY KEY, %1, "
                       "registered_at TEXT NOT NULL, changed_at TEXT NOT NULL)")
            .arg(columnDefinitions(SettingsRecord::fieldNames())),
        QStringLiteral(
            "CREATE TABLE IF NOT EXISTS latest_status (name TEXT PRIMARY KEY REFERENCES computers(name), "
            "received_at TEXT NOT NULL, %1)")
            .arg(columnDefinitions(statusKeys())),
        QStringLiteral("CREATE TABLE IF NOT EXISTS reports (id %1, received_at TEXT NOT NULL, %2)")
            .arg(sql::rowIdColumn())
            .arg(columnDefinitions(wire::reportKeys())),
        QStringLiteral("CREATE INDEX IF NOT EXISTS reports_by_computer ON reports (\"sComputerName\", id)"),
    };
}

const QStringList& statusKeys() {
    static const QStringList keys = [] {
        QStringList list;
        for (const QString& key : wire::reportKeys()) {
            if (key != QLatin1String("sComputerName") && !wire::settingsReportKeys().contains(key))
                list << key;
        }
        return list;
    }();
    return keys;
}

namespace {

QString settingsColumns() {
    return quoted(SettingsRecord::fieldNames()).join(QStringLiteral(", "));
}

} // namespace

QString selectSettings() {
    return QStringLiteral("SELECT %1 FROM computers WHERE name = ?").arg(settingsColumns());
}

// The settings and, last, 1 when an operator has changed any of them (else 0): only then does a download's
// time decide anything.
QString selectSettingsDownload() {
    return QStringLiteral("SELECT %1, CASE WHEN EXISTS (SELECT 1 FROM operator_changes o WHERE o.computer = "
                          "computers.name) THEN 1 ELSE 0 END FROM computers WHERE name = ?")
        .arg(settingsColumns());
}

namespace {

// An insert that updates `updated` columns of the row with the same `key` instead; SQLite and PostgreSQL
// both speak this form.
QString upsert(const QString& table, const QString& key, const QStringList& columns,
               const QStringList& updated) {
    QStringList updates;
    for (const QString& column : updated)
        updates << QStringLiteral("%1 = excluded.%1").arg(column);
    return QStringLiteral("INSERT ") + insertInto(table, columns) +
           QStringLiteral(" ON CONFLICT (%1) DO UPDATE SET ").arg(key) + updates.join(QStringLiteral(", "));
}

} // namespace

// Binds: name, the settings in piece order, registered_at, changed_at. A known computer keeps its
// registration time.
QString upsertSettings() {
    const QStringList fields = quoted(SettingsRecord::fieldNames());
    return upsert(QStringLiteral("computers"), QStringLiteral("name"),
                  QStringList{"name"} + fields + QStringList{"registered_at", "changed_at"},
                  fields + QStringList{"changed_at"});
}

// Binds: name, received_at, the status values in statusKeys() order.
QString replaceLatestStatus() {
    const QStringList columns = QStringList{"received_at"} + quoted(statusKeys());
    return upsert(QStringLiteral("latest_status"), QStringLiteral("name"), QStringList{"name"} + columns,
                  columns);
}

// Binds: received_at, the 67 report values in wire order.
QString insertReport() {
    return QStringLiteral("INSERT ") +
           insertInto(QStringLiteral("reports"), QStringList{"received_at"} + quoted(wire::reportKeys()));
}

// Binds: the oldest received_at kept. Deletes at most kPruneBatch reports, the oldest first.
QString pruneReports() {
    return QStringLiteral("DELETE FROM reports WHERE id IN (SELECT id FROM reports WHERE received_at < ? "
                          "ORDER BY received_at LIMIT %1)")
        .arg(kPruneBatch);
}

// Binds: when the computer downloaded its settings, its name. Only a computer whose settings an operator
// has changed is stamped: for any other no setting is held whatever its stamp, and an operator's first
// change is held against the stamp it has until its next download stamps it. The update rewrites the whole
// wide row, which made it the costliest write of a settings request.
QString stampSettingsDownload() {
    return QStringLiteral("UPDATE computers SET settings_downloaded_at = ? WHERE name = ? AND EXISTS "
                          "(SELECT 1 FROM operator_changes o WHERE o.computer = computers.name)");
}

// Binds: computer, setting (its field name), changed_at.
QString recordOperatorChange() {
    return upsert(QStringLiteral("operator_changes"), QStringLiteral("computer, setting"),
                  QStringList{"computer", "setting", "changed_at"}, QStringList{"changed_at"});
}

// Binds: the computer's name. The settings an operator changed after the computer's last download; stored
// moments sort as text, and a computer that never downloaded ('') has seen none of the changes.
QString selectHeldByOperator() {
    return QStringLiteral("SELECT o.setting FROM operator_changes o JOIN computers c ON c.name = o.computer "
                          "WHERE o.computer = ? AND o.changed_at > c.settings_downloaded_at");
}

// Binds: at, operator (or the computer that changed its own settings), computer, setting, old and new value.
QString insertAudit() {
    return QStringLiteral("INSERT INTO audit (at, operator, computer, setting, old_value, new_value) "
                          "VALUES (?, ?, ?, ?, ?, ?)");
}

QString selectEnrolment() {
    return QStringLiteral("SELECT %1 FROM enrolments WHERE name = ?").arg(enrolmentColumns().join(", "));
}

// Binds: the enrolment columns in enrolmentColumns() order.
QString upsertEnrolment() {
    const QStringList columns = enrolmentColumns();
    return upsert(QStringLiteral("enrolments"), QStringLiteral("name"), columns, columns.mid(1));
}

// Binds: the client address, the earliest asked_at counted.
QString countNamesAskedFrom() {
    return QStringLiteral("SELECT COUNT(*) FROM enrolments WHERE asked_from = ? AND asked_at >= ?");
}

QString selectPending() {
    return QStringLiteral("SELECT %1 FROM enrolments WHERE state = 'pending' ORDER BY asked_at, name")
        .arg(enrolmentColumns().join(", "));
}

const QStringList& enrolmentColumns() {
    static const QStringList columns{"name",     "state",      "key_hash",        "keyless",
                                     "asked_at", "asked_from", "pending_key_hash"};
    return columns;
}

} // namespace server::schema
