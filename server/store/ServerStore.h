#pragma once

#include "domain/Enrolment.h"
#include "domain/SettingsAuthority.h"
#include "domain/SettingsRecord.h"
#include "domain/StatusReport.h"
#include "Result.h"
#include "store/BackgroundCheckpoints.h"
#include "store/DatabaseFile.h"
#include "store/GroupTransaction.h"
#include "store/SqlDialect.h"
#include "store/StatementCache.h"
#include "store/TextRead.h"

#include <functional>
#include <memory>
#include <optional>
#include <QDateTime>
#include <QList>
#include <QSet>
#include <QSqlDatabase>

namespace server {

struct DatabaseLocation;

// Whether opening may set up a database where there is none (or an empty one): only when the operator
// says so, so that a database lost by mistake is never silently replaced by an empty one.
enum class NewDatabase { Refused, Allowed };

// The server's database, SQLite or PostgreSQL: each computer's settings, its latest status, the history of
// reports and where each name stands with enrolment. Each change is one transaction (an agent's, one
// savepoint in a shared one), so a refused or failed one leaves nothing behind; a change is refused when the
// database file was deleted or replaced under the server. On PostgreSQL a lost connection (the database
// restarted) is opened again at the next failure.
class ServerStore {
public:
    ServerStore();
    ~ServerStore();
    ServerStore(const ServerStore&) = delete;
    ServerStore& operator=(const ServerStore&) = delete;

    // Opens the SQLite file (creating it private to this user when needed) or the PostgreSQL database
    // (postgresql://USER@HOST:PORT/DBNAME), brings its schema up to date and checks that it can be
    // written. A database written by a newer server is refused, and so is a missing or empty one unless
    // `creation` allows it.
    Result<> open(const QString& location, NewDatabase creation);

    // The computer's settings for its download, which is recorded as made at `now` when an operator has
    // changed any of them (the only case where its time decides anything; any other download writes
    // nothing); a computer not seen before is registered with the defaults first (made only then: making
    // them costs a date written out).
    Result<SettingsRecord> downloadSettings(const QString& computer,
                                            const std::function<SettingsRecord()>& defaults,
                                            const QDateTime& now);
    // The field names of the settings an operator changed after the computer's last settings download.
    Result<QSet<QString>> heldByOperator(const QString& computer);
    // The computer's settings, empty when it is not registered.
    Result<std::optional<SettingsRecord>> readSettings(const QString& computer);

    // Whether a report's settings are written to the computer's row. They are left alone when the row
    // holds them already: rewriting some forty columns was the costliest write of a report.
    enum class ReportedSettings { Take, AlreadyHeld };

    // Takes the report's settings as the computer's settings (registering it when new) unless they are
    // already held, audits `changes` with the computer as the one who made them, replaces its latest status
    // and adds the report to the history.
    Result<> storeReport(const StatusReport& report, const QDateTime& receivedAt,
                         const QList<SettingChange>& changes = {},
                         ReportedSettings settings = ReportedSettings::Take);

    // Runs one of schema::pruneRules()'s statements with the oldest time kept, as one transaction.
    // Returns the most rows one of them deleted.
    Result<int> prune(const QStringList& statements, const QDateTime& oldestKept);

    // The name's enrolment, empty when the name never asked.
    Result<std::optional<Enrolment>> readEnrolment(const QString& name);
    Result<> saveEnrolment(const Enrolment& enrolment);
    // How many names first asked (or asked again after a reset) from `address` since `since`.
    Result<int> countNamesAskedFrom(const QString& address, const QDateTime& since);
    Result<QList<Enrolment>> pendingEnrolments();

    // Runs inside each report's transaction, after the report is stored: what it adds (events, alert
    // conditions) is stored with the report or not at all. A failure rolls the report back.
    using ReportObserver = std::function<Result<>(const StatusReport&, const QDateTime& receivedAt)>;
    void setReportObserver(ReportObserver observer) { m_reportObserver = std::move(observer); }

    // Runs inside the transaction that makes a name wait for an operator's approval, the same way.
    using PendingObserver = std::function<Result<>(const QString& name, const QDateTime& askedAt)>;
    void setPendingObserver(PendingObserver observer) { m_pendingObserver = std::move(observer); }

    // Since the server started: reports stored, reports refused for coming too soon after the computer's
    // last one, and transactions that failed in the database.
    struct Counters {
        qint64 reportsStored = 0;
        qint64 reportsTooSoon = 0;
        qint64 databaseErrors = 0;
    };
    const Counters& counters() const { return m_counters; }
    void countReportTooSoon() { ++m_counters.reportsTooSoon; }

    // Which kind of database the store speaks to, for the few expressions that differ (see SqlDialect).
    sql::Backend backend() const { return m_backend; }

    // The open connection, for the store's other parts (accounts and sessions, the fleet views, audit).
    QSqlDatabase& connection() { return m_db; }

    // Runs one of the statements that every report or request runs, prepared once per connection; each row
    // goes to `row`.
    Result<> runKept(const QString& text, const QStringList& values, const sql::TextRow& row = {});

    // Runs `work` as one transaction: all of it is stored, or (when it fails) nothing. Refused when the
    // database file was deleted or replaced under the server. While a Grouping lives, the work joins the
    // open group instead (see settle()); otherwise the open group is settled first, so no other write
    // ever lands in it.
    Result<> inTransaction(const std::function<Result<>()>& work);

    // The agents' writes share one transaction, which waits for settle(): while one of these lives, each
    // inTransaction() is a savepoint in that group, opened by the first.
    class Grouping {
    public:
        explicit Grouping(ServerStore& store) : m_store(store) { m_store.m_grouping = true; }
        ~Grouping() { m_store.m_grouping = false; }
        Grouping(const Grouping&) = delete;
        Grouping& operator=(const Grouping&) = delete;

    private:
        ServerStore& m_store;
    };
    bool groupOpen() const { return m_group.isOpen(); }
    // Savepoints the open group kept, mostly one a request; none when no group is open.
    int groupSize() const { return m_group.size(); }
    // Commits the open group, if any, and tells the settled observer how the commit went. Whatever reads
    // or writes outside the agents' exchange calls this first, so it sees only committed state.
    void settle();
    using SettledObserver = std::function<void(const Result<>& commit)>;
    void setSettledObserver(SettledObserver observer) { m_settledObserver = std::move(observer); }

private:
    struct Statements;

    struct Attempt {
        Result<> result;
        bool reachedCommit; // the work succeeded; what became of the commit is not known
    };

    Result<> connect(const DatabaseLocation& where);
    Result<> prepareStatements();
    bool reopenWhenLost();
    Result<> readRows(QSqlQuery Statements::*statement, const QStringList& values, const sql::TextRow& row);
    Attempt attemptTransaction(const std::function<Result<>()>& work);
    Result<> joinGroup(const std::function<Result<>()>& work);
    Result<> auditReportedChanges(const QString& computer, const QList<SettingChange>& changes,
                                  const QString& at);
    Result<> migrate(NewDatabase creation);
    Result<int> schemaVersion();
    Result<> refuseEmpty();
    Result<> markIdentity(NewDatabase creation);
    Result<QString> identity();
    Result<> checkFileIsStillOurs() const;
    Result<> saveSettings(const QString& computer, const SettingsRecord& settings, const QString& at);

    QString m_connectionName;
    sql::Backend m_backend = sql::Backend::Sqlite;
    QString m_file;
    FileIdentity m_identity;
    QString m_databaseId; // the random identity the database holds
    QSqlDatabase m_db;
    BackgroundCheckpoints m_checkpoints;
    std::unique_ptr<Statements> m_statements;
    std::unique_ptr<StatementCache> m_kept;
    ReportObserver m_reportObserver;
    PendingObserver m_pendingObserver;
    Counters m_counters;
    bool m_inTransaction = false;
    bool m_grouping = false;
    GroupTransaction m_group{m_db, m_kept};
    qint64 m_reportsInGroup = 0; // counted as stored once the group commits
    SettledObserver m_settledObserver;
};

} // namespace server
