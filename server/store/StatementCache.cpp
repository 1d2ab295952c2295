#include "store/StatementCache.h"

#include "store/SqlDialect.h"

namespace server {

// A statement that failed to prepare is not kept: the next use tries again and gives its own reason.
Result<QSqlQuery*> StatementCache::statement(const QString& text) {
    if (const auto kept = m_statements.constFind(text); kept != m_statements.constEnd())
        return kept->get();
    auto query = std::make_shared<QSqlQuery>(m_db);
    query->setForwardOnly(true);
    if (auto prepared = sql::prepare(*query, text); !prepared)
        return Failure{prepared.reason()};
    m_statements.insert(text, query);
    return query.get();
}

Result<> StatementCache::run(const QString& text, const QStringList& values, const sql::TextRow& row) {
    const auto query = statement(text);
    if (!query)
        return Failure{query.reason()};
    return sql::readText(
        **query, values, row ? row : [](const QStringList&) {});
}

} // namespace server
