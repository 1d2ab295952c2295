#include "store/SqliteStatement.h"

#include <QSqlDriver>
#include <QSqlResult>
#include <QStringEncoder>
#include <sqlite3.h>

namespace server::sql {

sqlite3_stmt* sqliteStatement(const QSqlQuery& query) {
    const QVariant handle = query.result() ? query.result()->handle() : QVariant();
    if (qstrcmp(handle.typeName(), "sqlite3_stmt*") != 0)
        return nullptr;
    return *static_cast<sqlite3_stmt* const*>(handle.constData());
}

sqlite3* sqliteConnection(const QSqlDatabase& db) {
    const QVariant handle = db.driver() ? db.driver()->handle() : QVariant();
    if (qstrcmp(handle.typeName(), "sqlite3*") != 0)
        return nullptr;
    return *static_cast<sqlite3* const*>(handle.constData());
}

Failure sqliteFailure(sqlite3_stmt* statement, const char* step) {
    return Failure{
        QString::fromUtf16(static_cast<const char16_t*>(sqlite3_errmsg16(sqlite3_db_handle(statement)))) +
        QLatin1Char(' ') + QLatin1String(step)};
}

Result<> bindText(sqlite3_stmt* statement, const QStringList& values, QByteArray& utf8) {
    sqlite3_reset(statement);
    if (sqlite3_bind_parameter_count(statement) != values.size())
        return Failure{QStringLiteral("Parameter count mismatch")};
    QStringEncoder encoder(QStringEncoder::Utf8);
    qsizetype room = 0;
    for (const QString& value : values)
        room += encoder.requiredSpace(value.size());
    utf8.resize(room); // never grown below, so the bound bytes stay where they are
    char* end = utf8.data();
    for (int i = 0; i < values.size(); ++i) {
        const QString& value = values[i];
        int bound;
        if (QStringView(value).isValidUtf16()) {
            char* const start = end;
            end = encoder.appendToBuffer(start, value);
            bound = sqlite3_bind_text(statement, i + 1, start, int(end - start), SQLITE_STATIC);
        } else {
            bound = sqlite3_bind_text16(statement, i + 1, value.utf16(), int(value.size() * sizeof(QChar)),
                                        SQLITE_STATIC);
        }
        if (bound != SQLITE_OK)
            return sqliteFailure(statement, "Unable to bind parameters");
    }
    return Result<>::success();
}

void release(sqlite3_stmt* statement) {
    sqlite3_reset(statement);
    sqlite3_clear_bindings(statement);
}

} // namespace server::sql
