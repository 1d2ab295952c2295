#pragma once

#include <condition_variable>
#include <mutex>
#include <QString>
#include <thread>

struct sqlite3;

namespace server {

// Copies a SQLite connection's write-ahead log back into the database on a thread of its own. SQLite does
// it by itself in the commit that fills the log, and that copy and its syncs held up every request queued
// behind it (10 to 25 ms here, about once a second under load). Commits now only wake this thread when the
// log is as large as SQLite's own limit, and the copy runs beside them.
//
// The log starts again from its beginning only when it was copied to its end with no commit in between,
// which steady commits never leave room for: it grew by 20 MB a second under load. So once it is twice the
// limit, the thread copies the few pages added meanwhile while writers wait, and the next commit starts it
// again. Should the thread fall far behind, a commit copies the log itself, as SQLite did.
class BackgroundCheckpoints {
public:
    BackgroundCheckpoints() = default;
    BackgroundCheckpoints(const BackgroundCheckpoints&) = delete;
    BackgroundCheckpoints& operator=(const BackgroundCheckpoints&) = delete;
    ~BackgroundCheckpoints() { stop(); }

    // Takes over the checkpoints of `connection`, open on `file`. When a second connection to the file
    // cannot be opened, SQLite keeps doing them itself and this returns false.
    bool start(sqlite3* connection, const QString& file);
    // Gives the checkpoints back to SQLite; called before the connection closes.
    void stop();

    // The log pages after a commit from which a copy is due: SQLite's own default.
    static constexpr int kDuePages = 1000;
    // ... from which the log is made to start again.
    static constexpr int kRestartPages = 2 * kDuePages;
    // ... and from which a commit copies it itself.
    static constexpr int kCommitCopiesPages = 10 * kDuePages;
    // How long the thread waits for a commit to finish before making writers wait.
    static constexpr int kWaitMs = 2000;

private:
    static int committed(void* self, sqlite3* connection, const char* database, int pages);
    void run();

    sqlite3* m_connection = nullptr;
    sqlite3* m_own = nullptr;
    std::thread m_thread;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_due = false;
    bool m_stopping = false;
};

} // namespace server
