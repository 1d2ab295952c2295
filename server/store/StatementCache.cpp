#include "store/StatementCache.h"

#include "store/SqlDialect.h"
#include "store/SqlRun.h"

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

Result<> StatementCache::run(const QString& text, const QVariantList& values, const RowReader& row) {
    const auto query = statement(text);
    if (!query)
        return Failure{query.reason()};
    auto done = sql::run(**query, values);
    while (done && row && (*query)->next())
        row(**query);
    (*query)->finish();
    return done;
}

} // namespace server
