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
        // Read before its length, as SQLite asks: the read may convert the value. Made as Qt's driver makes
        // it, so an empty text is empty and a NULL null, as before.
        const auto* text = static_cast<const QChar*>(sqlite3_column_text16(statement, k));
        columns << QString(text, sqlite3_column_bytes16(statement, k) / qsizetype(sizeof(QChar)));
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
