#include "store/GroupTransaction.h"

#include <QSqlError>
#include <QSqlQuery>

namespace server {
namespace {

const QString kSavepoint = QStringLiteral("exchange_request");

} // namespace

Result<> GroupTransaction::exec(const QString& statement) {
    QSqlQuery query(m_db);
    if (query.exec(statement))
        return Result<>::success();
    return Failure{query.lastError().text()};
}

Result<> GroupTransaction::begin() {
    if (!m_db.transaction())
        return Failure{m_db.lastError().text()};
    m_open = true;
    m_size = 0;
    return Result<>::success();
}

Result<> GroupTransaction::join(const std::function<Result<>()>& work) {
    if (auto saved = exec(QStringLiteral("SAVEPOINT ") + kSavepoint); !saved)
        return saved;
    Result<> done = work();
    if (done)
        done = exec(QStringLiteral("RELEASE SAVEPOINT ") + kSavepoint);
    if (done) {
        ++m_size;
        return done;
    }
    // A failed step may leave no reason of its own; the database's is the one to tell.
    const QString reason = done.reason().isEmpty() ? m_db.lastError().text() : done.reason();
    // PostgreSQL refuses every statement after a failed one until the savepoint is rolled back.
    (void)exec(QStringLiteral("ROLLBACK TO SAVEPOINT ") + kSavepoint);
    (void)exec(QStringLiteral("RELEASE SAVEPOINT ") + kSavepoint);
    return Failure{reason};
}

// SQLite keeps a transaction open when its commit fails (a deferred constraint, say), so it is rolled back
// here; PostgreSQL has already rolled it back and only warns.
Result<> GroupTransaction::commit() {
    m_open = false;
    if (m_db.commit())
        return Result<>::success();
    const QString reason = m_db.lastError().text();
    m_db.rollback();
    return Failure{reason};
}

} // namespace server
