#include "store/TextRead.h"

#include "store/SqliteStatement.h"
#include "store/SqlRun.h"

#include <QSqlRecord>
#include <sqlite3.h>

namespace server::sql {
namespace {

QStringList columnsOf(sqlite3_stmt* statement) {
    const int count = sqlite3_column_count(statement);
    QStringList columns;
    columns.reserve(count);
    for (int k = 0; k < count; ++k) {
        // Read before its length, as SQLite asks: the read may convert the value. Taken as the UTF-8 it is
        // stored in, which SQLite hands over without a copy; an empty text stays empty and a NULL null, as
        // through Qt's driver.
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, k));
        columns << QString::fromUtf8(text, sqlite3_column_bytes(statement, k));
    }
    return columns;
}

Result<> readSqlite(sqlite3_stmt* statement, const QStringList& values, const TextRow& row) {
    QByteArray utf8;
    auto done = bindText(statement, values, utf8);
    int step = SQLITE_DONE;
    while (done && (step = sqlite3_step(statement)) == SQLITE_ROW)
        row(columnsOf(statement));
    if (done && step != SQLITE_DONE)
        done = sqliteFailure(statement, "Unable to fetch row");
    release(statement);
    return done;
}

Result<> readQt(QSqlQuery& query, const QStringList& values, const TextRow& row) {
    auto done = run(query, texts(values));
    const int count = done ? query.record().count() : 0;
    while (done && query.next()) {
        QStringList columns;
        for (int k = 0; k < count; ++k)
            columns << query.value(k).toString();
        row(columns);
    }
    query.finish();
    return done;
}

} // namespace

Result<> readText(QSqlQuery& query, const QStringList& values, const TextRow& row) {
    if (sqlite3_stmt* statement = sqliteStatement(query))
        return readSqlite(statement, values, row);
    return readQt(query, values, row);
}

} // namespace server::sql
