#include "store/BackgroundCheckpoints.h"

#include <QDebug>
#include <sqlite3.h>

namespace server {
namespace {

constexpr int kSqliteOwnPages = 1000; // the log pages from which SQLite's own commit copies it back

} // namespace

bool BackgroundCheckpoints::start(sqlite3* connection, const QString& file) {
    stop();
    if (sqlite3_open_v2(file.toUtf8().constData(), &m_own, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX,
                        nullptr) != SQLITE_OK) {
        qWarning().noquote() << "kova_server: checkpoints stay in the commits:" << sqlite3_errmsg(m_own);
        sqlite3_close(m_own);
        m_own = nullptr;
        return false;
    }
    sqlite3_busy_timeout(m_own, kWaitMs);
    // A connection that has read nothing does not know the file keeps a log, and its checkpoints do nothing.
    sqlite3_exec(m_own, "SELECT count(*) FROM sqlite_master", nullptr, nullptr, nullptr);
    m_connection = connection;
    m_due = false;
    m_stopping = false;
    m_wokenAt = 0;
    m_thread = std::thread([this] { run(); });
    // Replaces SQLite's own checkpoint in the commit, which is a hook of this same kind.
    sqlite3_wal_hook(m_connection, &BackgroundCheckpoints::committed, this);
    return true;
}

void BackgroundCheckpoints::stop() {
    if (!m_own)
        return;
    sqlite3_wal_autocheckpoint(m_connection, kSqliteOwnPages);
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_one();
    m_thread.join();
    sqlite3_close(m_own);
    m_own = nullptr;
    m_connection = nullptr;
}

int BackgroundCheckpoints::committed(void* self, sqlite3* connection, const char* database, int pages) {
    auto* checkpoints = static_cast<BackgroundCheckpoints*>(self);
    if (pages < checkpoints->m_wokenAt) // the log started again
        checkpoints->m_wokenAt = 0;
    if (pages >= kBoundPages) {
        const std::lock_guard copying(checkpoints->m_copying);
        sqlite3_wal_checkpoint_v2(connection, database, SQLITE_CHECKPOINT_PASSIVE, nullptr, nullptr);
    } else if (pages - checkpoints->m_wokenAt >= kDuePages) {
        checkpoints->m_wokenAt = pages;
        {
            const std::lock_guard lock(checkpoints->m_mutex);
            checkpoints->m_due = true;
        }
        checkpoints->m_wake.notify_one();
    }
    return SQLITE_OK;
}

// Passive: it copies what no reader still needs and waits for nobody.
void BackgroundCheckpoints::run() {
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [this] { return m_due || m_stopping; });
        if (m_stopping)
            return;
        m_due = false;
        lock.unlock();
        {
            const std::lock_guard copying(m_copying);
            sqlite3_wal_checkpoint_v2(m_own, nullptr, SQLITE_CHECKPOINT_PASSIVE, nullptr, nullptr);
        }
        lock.lock();
    }
}

} // namespace server
