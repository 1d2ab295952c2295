#include "store/ResultRows.h"

#include "store/SqliteStatement.h"

#include <QSqlError>
#include <QSqlRecord>
#include <sqlite3.h>

namespace server::sql {

ResultRows::ResultRows(QSqlQuery& query) : m_query(query), m_statement(sqliteStatement(query)) {}

Result<bool> ResultRows::next() {
    if (m_statement) {
        // Qt's driver stepped to the first row when the query ran; it is current while the statement is
        // busy.
        if (!std::exchange(m_started, true))
            return sqlite3_stmt_busy(m_statement) != 0;
        switch (sqlite3_step(m_statement)) {
        case SQLITE_ROW:
            return true;
        case SQLITE_DONE:
            return false;
        default:
            return sqliteFailure(m_statement, "Unable to fetch row");
        }
    }
    if (!m_query.next())
        return m_query.lastError().isValid() ? Result<bool>(Failure{m_query.lastError().text()}) : false;
    m_row.resize(m_query.record().count());
    for (int column = 0; column < m_row.size(); ++column)
        m_row[column] = m_query.value(column).toByteArray();
    return true;
}

QByteArrayView ResultRows::text(int column) const {
    if (!m_statement)
        return m_row[column];
    const auto* bytes = reinterpret_cast<const char*>(sqlite3_column_text(m_statement, column));
    return QByteArrayView(bytes, sqlite3_column_bytes(m_statement, column));
}

double ResultRows::number(int column) const {
    return m_statement ? sqlite3_column_double(m_statement, column) : m_query.value(column).toDouble();
}

} // namespace server::sql
