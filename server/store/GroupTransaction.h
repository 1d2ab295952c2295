#pragma once

#include "Result.h"
#include "store/SqlDialect.h"
#include "store/StatementCache.h"

#include <functional>
#include <memory>
#include <QSqlDatabase>

namespace server {

// One transaction shared by many requests' writes, so that they pay for one commit between them: each
// request's work runs in a savepoint of its own, and one that fails is rolled back alone.
//
// Another instance's group may wait for a row this group holds while this one waits for one of its own:
// neither commits until the other does. So once a PostgreSQL group holds another request's writes, a row
// lock is waited for only briefly, and the request fails with a lock time-out for its caller to run again
// in a new group.
class GroupTransaction {
public:
    // `kept` holds the connection's kept statements; on SQLite the group's own are kept there too.
    GroupTransaction(QSqlDatabase& db, const std::unique_ptr<StatementCache>& kept)
        : m_db(db), m_kept(kept) {}

    bool isOpen() const { return m_open; }
    // Requests whose work was kept in the open group; none when no group is open.
    int size() const { return m_open ? m_size : 0; }

    Result<> begin();
    // Runs `work` in a savepoint of the open group; on failure nothing of it stays in the group.
    Result<> join(const std::function<Result<>()>& work);
    // Commits the group, or rolls all of it back when the commit fails; the group is closed either way.
    Result<> commit();

    // Whether `failed` gave up waiting for a row lock another transaction holds (SQLSTATE 55P03).
    static bool isLockTimeout(const Result<>& failed);

private:
    // Runs `statements` in order: on PostgreSQL in one round trip, on SQLite each prepared once and kept.
    Result<> exec(const QStringList& statements);

    QSqlDatabase& m_db;
    const std::unique_ptr<StatementCache>& m_kept;
    sql::Backend m_backend = sql::Backend::Sqlite;
    bool m_open = false;
    int m_size = 0;
    // A request's savepoint is released with the next one's opening, saving PostgreSQL a round trip; the
    // commit releases the last.
    bool m_releaseOwed = false;
};

} // namespace server
