#include "store/StoreSchema.h"

#include "domain/SettingsRecord.h"
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
        QStringLiteral(
            "CREATE TABLE IF NOT EXISTS reports (id INTEGER PRIMARY KEY, received_at TEXT NOT NULL, %1)")
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

QString selectSettings() {
    return QStringLiteral("SELECT %1 FROM computers WHERE name = ?")
        .arg(quoted(SettingsRecord::fieldNames()).join(QStringLiteral(", ")));
}

// Binds: name, the settings in piece order, registered_at, changed_at. A known computer keeps its
// registration time.
QString upsertSettings() {
    const QStringList fields = quoted(SettingsRecord::fieldNames());
    QStringList updates;
    for (const QString& field : fields)
        updates << QStringLiteral("%1 = excluded.%1").arg(field);
    updates << QStringLiteral("changed_at = excluded.changed_at");
    return QStringLiteral("INSERT ") +
           insertInto(QStringLiteral("computers"),
                      QStringList{"name"} + fields + QStringList{"registered_at", "changed_at"}) +
           QStringLiteral(" ON CONFLICT (name) DO UPDATE SET ") + updates.join(QStringLiteral(", "));
}

// Binds: name, received_at, the status values in statusKeys() order.
QString replaceLatestStatus() {
    return QStringLiteral("INSERT OR REPLACE ") +
           insertInto(QStringLiteral("latest_status"),
                      QStringList{"name", "received_at"} + quoted(statusKeys()));
}

// Binds: received_at, the 67 report values in wire order.
QString insertReport() {
    return QStringLiteral("INSERT ") +
           insertInto(QStringLiteral("reports"), QStringList{"received_at"} + quoted(wire::reportKeys()));
}

} // namespace server::schema
