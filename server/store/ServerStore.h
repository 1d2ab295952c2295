#pragma once

#include "domain/Enrolment.h"
#include "domain/SettingsRecord.h"
#include "domain/StatusReport.h"
#include "store/DatabaseFile.h"
#include "store/SqlDialect.h"

#include <functional>
#include <memory>
#include <optional>
#include <QDateTime>
#include <QList>
#include <QSqlDatabase>

namespace server {

struct DatabaseLocation;

// The server's database, SQLite or PostgreSQL: each computer's settings, its latest status, the history of
// reports and where each name stands with enrolment. Each change is one transaction, so a refused or failed
// one leaves nothing behind; a change is refused when the database file was deleted or replaced under the
// server.
class ServerStore {
public:
    ServerStore();
    ~ServerStore();
    ServerStore(const ServerStore&) = delete;
    ServerStore& operator=(const ServerStore&) = delete;

    // Opens the SQLite file (creating it private to this user when needed) or the PostgreSQL database
    // (postgresql://USER@HOST:PORT/DBNAME), brings its schema up to date and checks that it can be
    // written. A database written by a newer server is refused.
    bool open(const QString& location, QString* error);

    // The computer's settings; a computer not seen before is registered with the given defaults first.
    std::optional<SettingsRecord> settingsOrRegister(const QString& computer, const SettingsRecord& defaults,
                                                     const QDateTime& now, QString* error);
    // The computer's settings, left empty when it is not registered; false on a database failure.
    bool readSettings(const QString& computer, std::optional<SettingsRecord>& settings, QString* error);

    // Takes the report's settings as the computer's settings (registering it when new), replaces its
    // latest status and adds the report to the history.
    bool storeReport(const StatusReport& report, const QDateTime& receivedAt, QString* error);

    // Deletes up to schema::kPruneBatch of the oldest reports received before `before`; the latest status
    // and the settings are never touched. Returns how many went.
    std::optional<int> pruneReports(const QDateTime& before, QString* error);

    // The name's enrolment, left empty when the name never asked; false on a database failure.
    bool readEnrolment(const QString& name, std::optional<Enrolment>& enrolment, QString* error);
    bool saveEnrolment(const Enrolment& enrolment, QString* error);
    // How many names first asked (or asked again after a reset) from `address` since `since`.
    std::optional<int> countNamesAskedFrom(const QString& address, const QDateTime& since, QString* error);
    std::optional<QList<Enrolment>> pendingEnrolments(QString* error);

    // Runs inside each report's transaction, after the report is stored: what it adds (events, alert
    // conditions) is stored with the report or not at all. False rolls the report back.
    using ReportObserver = std::function<bool(const StatusReport&, const QDateTime& receivedAt, QString*)>;
    void setReportObserver(ReportObserver observer) { m_reportObserver = std::move(observer); }

    // Runs inside the transaction that makes a name wait for an operator's approval, the same way.
    using PendingObserver = std::function<bool(const QString& name, const QDateTime& askedAt, QString*)>;
    void setPendingObserver(PendingObserver observer) { m_pendingObserver = std::move(observer); }

    // Since the server started: reports stored, and transactions that failed in the database.
    struct Counters {
        qint64 reportsStored = 0;
        qint64 databaseErrors = 0;
    };
    const Counters& counters() const { return m_counters; }

    // Which kind of database the store speaks to, for the few expressions that differ (see SqlDialect).
    sql::Backend backend() const { return m_backend; }

    // The open connection, for the store's other parts (accounts and sessions, the fleet views, audit).
    QSqlDatabase& connection() { return m_db; }

    // Runs `work` as one transaction: all of it is stored, or (when it returns false) nothing. Refused
    // when the database file was deleted or replaced under the server.
    bool inTransaction(const std::function<bool()>& work, QString* error);

private:
    struct Statements;

    bool connect(const DatabaseLocation& where, QString* error);
    bool migrate(QString* error);
    std::optional<int> schemaVersion(QString* error);
    bool fileIsStillOurs(QString* error) const;
    bool saveSettings(const QString& computer, const SettingsRecord& settings, const QString& at,
                      QString* error);

    QString m_connectionName;
    sql::Backend m_backend = sql::Backend::Sqlite;
    QString m_file;
    FileIdentity m_identity;
    QSqlDatabase m_db;
    std::unique_ptr<Statements> m_statements;
    ReportObserver m_reportObserver;
    PendingObserver m_pendingObserver;
    Counters m_counters;
};

} // namespace server
