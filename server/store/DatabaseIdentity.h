#pragma once

#include "Result.h"

#include <QString>

namespace server {

// Each database holds a random identity, and a SQLite database's is also written in a small file beside
// it, so that when the database is gone the server can say which one it was instead of quietly starting
// on an empty one.
QString identityMarkerPath(const QString& databaseFile);

// The identity recorded beside `databaseFile`; empty when none was.
QString recordedIdentity(const QString& databaseFile);
Result<> recordIdentity(const QString& databaseFile, const QString& identity);

// Why the server will not start on a database that is missing or empty, and what the operator can do:
// `recorded` is the identity of the one it used before, empty when unknown.
QString missingDatabaseReason(const QString& recorded);

} // namespace server
