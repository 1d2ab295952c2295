#pragma once

#include "SettingsRecord.h"
#include "StatusReport.h"

#include <functional>
#include <memory>
#include <optional>
#include <QDateTime>
#include <QSqlDatabase>

namespace server {

// The server's SQLite database: each computer's settings, its latest status and the history of reports.
// Each change is one transaction, so a refused or failed report leaves nothing behind.
class ServerStore {
public:
    ServerStore();
    ~ServerStore();
    ServerStore(const ServerStore&) = delete;
    ServerStore& operator=(const ServerStore&) = delete;

    // Opens (creating when needed) the database file and checks that it can be written.
    bool open(const QString& file, QString* error);

    // The computer's settings; a computer not seen before is registered with the given defaults first.
    std::optional<SettingsRecord> settingsOrRegister(const QString& computer, const SettingsRecord& defaults,
                                                     const QDateTime& now, QString* error);

    // Takes the report's settings as the computer's settings (registering it when new), replaces its
    // latest status and adds the report to the history.
    bool storeReport(const StatusReport& report, const QDateTime& receivedAt, QString* error);

    // Runs inside each report's transaction, after the report is stored: what it adds (events, alert
    // conditions) is stored with the report or not at all. False rolls the report back.
    using ReportObserver = std::function<bool(const StatusReport&, const QDateTime& receivedAt, QString*)>;
    void setReportObserver(ReportObserver observer) { m_reportObserver = std::move(observer); }

    // Since the server started: reports stored, and transactions that failed in the database.
    struct Counters {
        qint64 reportsStored = 0;
        qint64 databaseErrors = 0;
    };
    const Counters& counters() const { return m_counters; }

    // The open connection, for the store's other parts (accounts, sessions, fleet views, audit).
    QSqlDatabase& connection() { return m_db; }

    // Runs `work` as one transaction: all of it is stored, or (when it returns false) nothing.
    bool inTransaction(const std::function<bool()>& work, QString* error);

private:
    struct Statements;

    bool createSchema(QString* error);
    bool saveSettings(const QString& computer, const SettingsRecord& settings, const QString& at,
                      QString* error);

    QString m_connectionName;
    QSqlDatabase m_db;
    std::unique_ptr<Statements> m_statements;
    ReportObserver m_reportObserver;
    Counters m_counters;
};

} // namespace server
