#include "store/SqlDialect.h"

namespace server::sql {

QString driverName() {
    return QStringLiteral("QSQLITE");
}

QString connectOptions() {
    return QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000");
}

// Write-ahead logging with normal syncing keeps a report's commit cheap; a power cut can lose the last
// reports but never corrupts the file.
QStringList sessionSetup() {
    return {QStringLiteral("PRAGMA journal_mode = WAL"), QStringLiteral("PRAGMA synchronous = NORMAL")};
}

QString rowIdColumn() {
    return QStringLiteral("INTEGER PRIMARY KEY");
}

QString readSchemaVersion() {
    return QStringLiteral("PRAGMA user_version");
}

QString writeSchemaVersion(int version) {
    return QStringLiteral("PRAGMA user_version = %1").arg(version);
}

QString unixSeconds(const QString& column) {
    return QStringLiteral("((julianday(%1, 'utc') - 2440587.5) * 86400.0)").arg(column);
}

QString utf8Bytes(const QString& expression) {
    return QStringLiteral("CAST(%1 AS BLOB)").arg(expression);
}

QString utf8Length(const QString& expression) {
    return QStringLiteral("length(%1)").arg(utf8Bytes(expression));
}

} // namespace server::sql
