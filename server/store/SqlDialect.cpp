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

} // namespace server::sql
