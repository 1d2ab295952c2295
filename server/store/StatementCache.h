#pragma once

#include "Result.h"
#include "store/TextRead.h"

#include <memory>
#include <QHash>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStringList>

namespace server {

// The statements a connection runs for every request, each prepared on its first use and kept: preparing
// (the portability check and the database's own parse) costs more than running one of them.
class StatementCache {
public:
    explicit StatementCache(const QSqlDatabase& db) : m_db(db) {}

    // Runs `text` with `values` bound in order as text and hands each row to `row`. The statement is reset
    // afterwards, so that a finished read holds nothing of the database open.
    Result<> run(const QString& text, const QStringList& values, const sql::TextRow& row = {});

private:
    Result<QSqlQuery*> statement(const QString& text);

    QSqlDatabase m_db;
    QHash<QString, std::shared_ptr<QSqlQuery>> m_statements;
};

} // namespace server
