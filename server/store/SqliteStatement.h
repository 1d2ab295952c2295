#pragma once

#include "Result.h"

#include <QSqlQuery>

struct sqlite3_stmt;

namespace server::sql {

// The SQLite statement under `query`, or null on another database: for the few paths where Qt's driver
// costs more than the database's own work.
sqlite3_stmt* sqliteStatement(const QSqlQuery& query);

// The same words Qt's SQLite driver gives for a failed `step`, so a reason reads alike whichever path ran.
Failure sqliteFailure(sqlite3_stmt* statement, const char* step);

} // namespace server::sql
