#pragma once

#include "Result.h"

#include <QByteArrayView>
#include <QList>
#include <QSqlQuery>

struct sqlite3_stmt;

namespace server::sql {

// Steps through the rows of a query that ran, its columns read as bytes. On SQLite straight from the
// statement under Qt's driver: the driver turns every column of every row into a QVariant, which for a
// fleet-wide result costs more than the database's own work. On another database through Qt. The query's
// own state is left behind, so read nothing of it afterwards.
class ResultRows {
public:
    explicit ResultRows(QSqlQuery& query);

    // Moves to the first row, then to each next one; false past the last.
    Result<bool> next();

    // The current row's column as UTF-8 text, valid until the next step; empty for NULL.
    QByteArrayView text(int column) const;
    double number(int column) const;

private:
    QSqlQuery& m_query;
    sqlite3_stmt* m_statement;
    bool m_started = false;
    QList<QByteArray> m_row; // the current row, through Qt
};

} // namespace server::sql
