#pragma once

#include <QSqlDatabase>
#include <QStringList>

namespace server::sql {

// Everything the store says differently to each database kind lives here; the rest of its SQL is common
// to SQLite and PostgreSQL. Only SQLite is spoken today.

QString driverName();
// Connection options: how long a writer waits for another one before it gives up.
QString connectOptions();
// Statements run once per connection before anything else.
QStringList sessionSetup();
// The column type of a table's own increasing row number.
QString rowIdColumn();
// Reads and writes the number of the last migration applied to the database.
QString readSchemaVersion();
QString writeSchemaVersion(int version);

} // namespace server::sql
