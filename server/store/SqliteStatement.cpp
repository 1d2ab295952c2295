#include "store/SqliteStatement.h"

#include <QSqlResult>
#include <sqlite3.h>

namespace server::sql {

sqlite3_stmt* sqliteStatement(const QSqlQuery& query) {
    const QVariant handle = query.result() ? query.result()->handle() : QVariant();
    if (qstrcmp(handle.typeName(), "sqlite3_stmt*") != 0)
        return nullptr;
    return *static_cast<sqlite3_stmt* const*>(handle.constData());
}

Failure sqliteFailure(sqlite3_stmt* statement, const char* step) {
    return Failure{
        QString::fromUtf16(static_cast<const char16_t*>(sqlite3_errmsg16(sqlite3_db_handle(statement)))) +
        QLatin1Char(' ') + QLatin1String(step)};
}

Result<> bindText(sqlite3_stmt* statement, const QStringList& values) {
    sqlite3_reset(statement);
    if (sqlite3_bind_parameter_count(statement) != values.size())
        return Failure{QStringLiteral("Parameter count mismatch")};
    for (int i = 0; i < values.size(); ++i) {
        const QString& value = values[i];
        if (sqlite3_bind_text16(statement, i + 1, value.utf16(), int(value.size() * sizeof(QChar)),
                                SQLITE_STATIC) != SQLITE_OK)
            return sqliteFailure(statement, "Unable to bind parameters");
    }
    return Result<>::success();
}

void release(sqlite3_stmt* statement) {
    sqlite3_reset(statement);
    sqlite3_clear_bindings(statement);
}

} // namespace server::sql
