#include "store/TextWrite.h"

#include "store/SqliteStatement.h"
#include "store/SqlRun.h"

#include <sqlite3.h>

namespace server::sql {
namespace {

Result<> bindText(sqlite3_stmt* statement, const QStringList& values) {
    if (sqlite3_bind_parameter_count(statement) != values.size())
        return Failure{QStringLiteral("Parameter count mismatch")};
    for (int i = 0; i < values.size(); ++i) {
        // UTF-16 as Qt's driver binds it, so the stored text is the same to the byte; the strings outlive
        // the step.
        const QString& value = values[i];
        if (sqlite3_bind_text16(statement, i + 1, value.utf16(), int(value.size() * sizeof(QChar)),
                                SQLITE_STATIC) != SQLITE_OK)
            return sqliteFailure(statement, "Unable to bind parameters");
    }
    return Result<>::success();
}

Result<> writeSqlite(sqlite3_stmt* statement, const QStringList& values) {
    sqlite3_reset(statement);
    auto done = bindText(statement, values);
    if (done && sqlite3_step(statement) != SQLITE_DONE)
        done = sqliteFailure(statement, "Unable to fetch row");
    sqlite3_reset(statement);
    sqlite3_clear_bindings(statement);
    return done;
}

} // namespace

Result<> writeText(QSqlQuery& query, const QStringList& values) {
    if (sqlite3_stmt* statement = sqliteStatement(query))
        return writeSqlite(statement, values);
    QVariantList bound;
    bound.reserve(values.size());
    for (const QString& value : values)
        bound << text(value);
    return run(query, bound);
}

} // namespace server::sql
