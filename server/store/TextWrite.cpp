#include "store/TextWrite.h"

#include "store/SqliteStatement.h"
#include "store/SqlRun.h"

#include <sqlite3.h>

namespace server::sql {
namespace {

Result<> writeSqlite(sqlite3_stmt* statement, const QStringList& values) {
    QByteArray utf8;
    auto done = bindText(statement, values, utf8);
    if (done && sqlite3_step(statement) != SQLITE_DONE)
        done = sqliteFailure(statement, "Unable to fetch row");
    release(statement);
    return done;
}

} // namespace

Result<> writeText(QSqlQuery& query, const QStringList& values) {
    if (sqlite3_stmt* statement = sqliteStatement(query))
        return writeSqlite(statement, values);
    return run(query, texts(values));
}

} // namespace server::sql
