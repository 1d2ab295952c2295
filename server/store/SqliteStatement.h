#pragma once

#include "Result.h"

#include <QSqlQuery>
#include <QStringList>

struct sqlite3;
struct sqlite3_stmt;

namespace server::sql {

// The SQLite statement under a prepared query, or null on another database: the statements every request
// runs go to it straight, past Qt's binding and records.
sqlite3_stmt* sqliteStatement(const QSqlQuery& query);

// The SQLite connection under an open database, or null on another database.
sqlite3* sqliteConnection(const QSqlDatabase& db);

// Resets the statement and binds `values` in order as text, converted to UTF-8 into `utf8`, which must
// outlive the steps. The database keeps UTF-8: binding UTF-16, as Qt's driver does, had SQLite convert each
// value at every step, slowly. A value that is not valid UTF-16 is bound as it is, as Qt's driver binds it,
// so that what is stored and compared is the same to the byte either way.
Result<> bindText(sqlite3_stmt* statement, const QStringList& values, QByteArray& utf8);

// Resets the statement and clears its values, so that it holds nothing of the database open.
void release(sqlite3_stmt* statement);

// The same words Qt's SQLite driver gives for a failed `step`, so a reason reads alike whichever path ran.
Failure sqliteFailure(sqlite3_stmt* statement, const char* step);

} // namespace server::sql
