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

} // namespace server::sql
