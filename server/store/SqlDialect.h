#pragma once

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

// The statement as `backend` must read it, or empty with the reason when the text uses a form that only
// one of the two back ends knows. Forms refused on both back ends, so that a SQLite test run already
// catches them: INSERT OR REPLACE/IGNORE, REPLACE INTO, PRAGMA, AUTOINCREMENT, COLLATE NOCASE, GLOB,
// IFNULL and SQLite's date functions. Translated for PostgreSQL: INTEGER PRIMARY KEY (an identity column)
// and LIKE (ILIKE, as SQLite's LIKE ignores case).
std::optional<QString> adapt(const QString& text, Backend backend, QString* error);

// Prepares `text` adapted to the query's database.
bool prepare(QSqlQuery& query, const QString& text, QString* error);
// Runs `text` once, adapted to the database; `query` holds the rows afterwards.
bool exec(QSqlQuery& query, const QString& text, QString* error);

} // namespace server::sql
