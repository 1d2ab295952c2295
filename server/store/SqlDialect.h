#pragma once

#include "Result.h"

#include <optional>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStringList>

namespace server::sql {

// Everything the store says differently to SQLite and to PostgreSQL lives here; the rest of its SQL is one
// text for both, written in the portable subset that adapt() checks (see adapt()).
enum class Backend { Sqlite, Postgres };

Backend backendOf(const QSqlDatabase& db);

QString driverName(Backend backend);
// Connection options: how long to wait for the database before giving up.
QString connectOptions(Backend backend);
// Statements run once per connection before anything else.
QStringList sessionSetup(Backend backend);

// The column type of a table's own increasing row number, in the portable text adapt() translates.
QString rowIdColumn();

// Statements that start the migration transaction: on PostgreSQL a lock that makes instances starting
// together migrate one after the other, and the table holding the version.
QStringList migrationPreamble(Backend backend);
// Reads and writes the number of the last migration applied to the database.
QString readSchemaVersion(Backend backend);
QStringList writeSchemaVersion(Backend backend, int version);
// Counts the tables of the server's own in the database; none: the database is empty.
QString countTables(Backend backend);

// The statement as `backend` must read it, or the reason it is refused when the text uses a form that only
// one of the two back ends knows. Forms refused on both back ends, so that a SQLite test run already
// catches them: INSERT OR REPLACE/IGNORE, REPLACE INTO, PRAGMA, AUTOINCREMENT, COLLATE NOCASE, IFNULL,
// last_insert_rowid(). (SQLite's date functions, which an expression below uses on SQLite,
// PostgreSQL refuses by itself, and the stack test runs the store's tests on it.) Translated for PostgreSQL:
// INTEGER PRIMARY KEY (an identity column) and LIKE (ILIKE, as SQLite's LIKE ignores case).
Result<QString> adapt(const QString& text, Backend backend);

// Expressions each back end writes its own way, to put into a common statement.
// A stored moment (local time, as sql::storedTime writes it) as Unix seconds with milliseconds.
QString unixSeconds(const QString& column, Backend backend);
// A text's UTF-8 bytes, read back as a byte array; and their count.
QString utf8Bytes(const QString& expression, Backend backend);
QString utf8Length(const QString& expression, Backend backend);
// The texts of `expressions` one after the other (NULL as nothing), built by one call per 99 of them:
// `a || b || c ...` copies what it has so far at every step.
QString joinedText(const QStringList& expressions, Backend backend);

// Prepares `text` adapted to the query's database.
Result<> prepare(QSqlQuery& query, const QString& text);
// Runs `text` once, adapted to the database; `query` holds the rows afterwards.
Result<> exec(QSqlQuery& query, const QString& text);

} // namespace server::sql
