#pragma once

#include <condition_variable>
#include <mutex>
#include <QString>
#include <thread>

struct sqlite3;

namespace server {

// Copies a SQLite connection's write-ahead log back into the database on a thread of its own. SQLite does
// it by itself in the commit that fills the log, and that copy and its syncs held up every request queued
// behind it. Commits now only wake this thread, and the copy runs beside them.
//
// The log starts again from its beginning only when it was copied to its end with no commit in between,
// which steady commits never leave room for. So the commit that finds the log at its bound waits for the
// thread's copy under way, if any, and copies the few pages added since itself; the next commit then starts
// the log again. The bound holds however starved the thread is.
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

    // The log pages added since the thread was last woken from which it copies again: a quarter of SQLite's
    // own limit, so that the commit at the bound finds few pages left to copy (a 3 ms pause, not 9).
    static constexpr int kDuePages = 250;
    // ... and from which the commit finishes the copy and the log starts again (16 MB of 4 KB pages).
    static constexpr int kBoundPages = 4000;
    // How long the thread's connection waits for the file when it first reads it.
    static constexpr int kWaitMs = 2000;

private:
    static int committed(void* self, sqlite3* connection, const char* database, int pages);
    void run();

    sqlite3* m_connection = nullptr;
    sqlite3* m_own = nullptr;
    std::thread m_thread;
    std::mutex m_mutex; // guards m_due and m_stopping
    std::condition_variable m_wake;
    bool m_due = false;
    bool m_stopping = false;
    int m_wokenAt = 0; // the log's pages when the thread was last woken; the committing thread's own
    // Held by whichever side copies, so the commit at the bound waits for the thread instead of finding
    // SQLite's checkpoint lock taken and letting the log grow.
    std::mutex m_copying;
};

} // namespace server
