#pragma once

#include "Result.h"

#include <functional>
#include <QSqlDatabase>

namespace server {

// One transaction shared by many requests' writes, so that they pay for one commit between them: each
// request's work runs in a savepoint of its own, and one that fails is rolled back alone.
class GroupTransaction {
public:
    explicit GroupTransaction(QSqlDatabase& db) : m_db(db) {}

    bool isOpen() const { return m_open; }
    // Requests whose work was kept in the open group; none when no group is open.
    int size() const { return m_open ? m_size : 0; }

    Result<> begin();
    // Runs `work` in a savepoint of the open group; on failure nothing of it stays in the group.
    Result<> join(const std::function<Result<>()>& work);
    // Commits the group, or rolls all of it back when the commit fails; the group is closed either way.
    Result<> commit();

private:
    Result<> exec(const QString& statement);

    QSqlDatabase& m_db;
    bool m_open = false;
    int m_size = 0;
};

} // namespace server
