#include "store/GroupTransaction.h"

#include <QSqlError>
#include <QSqlQuery>

namespace server {
namespace {

const QString kSavepoint = QStringLiteral("SAVEPOINT exchange_request");
const QString kRelease = QStringLiteral("RELEASE SAVEPOINT exchange_request");
const QString kRollBack = QStringLiteral("ROLLBACK TO SAVEPOINT exchange_request");
// PostgreSQL's shortest wait. Two instances' groups that each wait for a row the other holds are common under
// load (an agent's settings request and its report sent through different instances), and neither goes on
// until one gives up: at 20 ms, most requests of a two-instance fleet paid the whole wait.
const QString kWaitBriefly = QStringLiteral("SET LOCAL lock_timeout = '1ms'");

} // namespace

Result<> GroupTransaction::exec(const QStringList& statements) {
    if (m_backend == sql::Backend::Sqlite) {
        for (const QString& statement : statements) {
            if (auto done = m_kept->run(statement, {}); !done)
                return done;
        }
        return Result<>::success();
    }
    QSqlQuery query(m_db);
    if (query.exec(statements.join(QStringLiteral("; "))))
        return Result<>::success();
    return Failure{query.lastError().text()};
}

Result<> GroupTransaction::begin() {
    m_backend = sql::backendOf(m_db);
    if (!m_db.transaction())
        return Failure{m_db.lastError().text()};
    m_open = true;
    m_size = 0;
    m_releaseOwed = false;
    return Result<>::success();
}

Result<> GroupTransaction::join(const std::function<Result<>()>& work) {
    QStringList opening;
    if (m_releaseOwed)
        opening << kRelease;
    // Set outside the savepoint, so that a request rolled back does not take it back with it.
    if (m_backend == sql::Backend::Postgres && m_size == 1)
        opening << kWaitBriefly;
    opening << kSavepoint;
    m_releaseOwed = false;
    if (auto opened = exec(opening); !opened)
        return opened;
    const Result<> done = work();
    if (done) {
        ++m_size;
        m_releaseOwed = true;
        return done;
    }
    // A failed step may leave no reason of its own; the database's is the one to tell.
    const QString reason = done.reason().isEmpty() ? m_db.lastError().text() : done.reason();
    // PostgreSQL refuses every statement after a failed one until the savepoint is rolled back.
    (void)exec({kRollBack, kRelease});
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

// PostgreSQL's words for a statement given up at the lock time-out.
bool GroupTransaction::isLockTimeout(const Result<>& failed) {
    return failed.reason().contains(QLatin1String("lock timeout"));
}

} // namespace server
