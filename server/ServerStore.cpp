#include "ServerStore.h"

#include "store/AlertingSchema.h"
#include "store/ConsoleSchema.h"
#include "StoreSchema.h"
#include "WireFormat.h"

#include <atomic>
#include <QSqlError>
#include <QSqlQuery>

namespace server {
namespace {

// SQLite stores a null QString as NULL; every column is NOT NULL text, so unset values go in as "".
QVariantList bindable(const QStringList& values) {
    QVariantList list;
    for (const QString& value : values)
        list << (value.isNull() ? QStringLiteral("") : value);
    return list;
}

bool run(QSqlQuery& query, const QVariantList& values, QString* error) {
    for (int i = 0; i < values.size(); ++i)
        query.bindValue(i, values[i]);
    if (query.exec())
        return true;
    *error = query.lastError().text();
    return false;
}

bool runText(QSqlDatabase& db, const QString& sql, QString* error) {
    QSqlQuery query(db);
    if (query.exec(sql))
        return true;
    *error = query.lastError().text();
    return false;
}

QString timestamp(const QDateTime& moment) {
    return moment.toString(Qt::ISODateWithMs);
}

} // namespace

struct ServerStore::Statements {
    explicit Statements(const QSqlDatabase& db)
        : selectSettings(db), upsertSettings(db), replaceLatestStatus(db), insertReport(db) {}

    bool prepare(QString* error) {
        const std::pair<QSqlQuery*, QString> all[] = {{&selectSettings, schema::selectSettings()},
                                                      {&upsertSettings, schema::upsertSettings()},
                                                      {&replaceLatestStatus, schema::replaceLatestStatus()},
                                                      {&insertReport, schema::insertReport()}};
        for (const auto& [query, sql] : all) {
            if (!query->prepare(sql)) {
                *error = query->lastError().text();
                return false;
            }
        }
        return true;
    }

    QSqlQuery selectSettings;
    QSqlQuery upsertSettings;
    QSqlQuery replaceLatestStatus;
    QSqlQuery insertReport;
};

ServerStore::ServerStore() {
    static std::atomic_int instances{0};
    m_connectionName = QStringLiteral("kova-server-store-%1").arg(++instances);
}

ServerStore::~ServerStore() {
    m_statements.reset();
    m_db.close();
    m_db = QSqlDatabase();
    QSqlDatabase::removeDatabase(m_connectionName);
}

bool ServerStore::open(const QString& file, QString* error) {
    m_db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connectionName);
    m_db.setDatabaseName(file);
    m_db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000"));
    if (!m_db.open()) {
        *error = m_db.lastError().text();
        return false;
    }
    if (!createSchema(error))
        return false;
    m_statements = std::make_unique<Statements>(m_db);
    return m_statements->prepare(error);
}

// Write-ahead logging with normal syncing keeps a report's commit cheap; a power cut can lose the last
// reports but never corrupts the file. Setting user_version even when nothing is missing proves the file
// is writable now rather than at the first report.
bool ServerStore::createSchema(QString* error) {
    if (!runText(m_db, QStringLiteral("PRAGMA journal_mode = WAL"), error) ||
        !runText(m_db, QStringLiteral("PRAGMA synchronous = NORMAL"), error))
        return false;
    // Entry k brings a file from version k to version k + 1; each file takes the ones it has not had yet.
    const QList<QStringList> migrations{schema::createStatements(), schema::consoleTables(),
                                        schema::alertingTables()};
    QSqlQuery version(m_db);
    if (!version.exec(QStringLiteral("PRAGMA user_version")) || !version.next()) {
        *error = version.lastError().text();
        return false;
    }
    QStringList statements;
    for (qsizetype k = version.value(0).toInt(); k < migrations.size(); ++k)
        statements << migrations[k];
    version.finish();
    statements << QStringLiteral("PRAGMA user_version = %1").arg(migrations.size());
    return inTransaction(
        [&] {
            for (const QString& sql : statements) {
                if (!runText(m_db, sql, error))
                    return false;
            }
            return true;
        },
        error);
}

bool ServerStore::inTransaction(const std::function<bool()>& work, QString* error) {
    if (!m_db.transaction()) {
        *error = m_db.lastError().text();
        return false;
    }
    if (work() && m_db.commit())
        return true;
    if (error->isEmpty())
        *error = m_db.lastError().text();
    ++m_counters.databaseErrors;
    m_db.rollback();
    return false;
}

std::optional<SettingsRecord> ServerStore::settingsOrRegister(const QString& computer,
                                                              const SettingsRecord& defaults,
                                                              const QDateTime& now, QString* error) {
    QSqlQuery& select = m_statements->selectSettings;
    if (!run(select, {computer}, error))
        return std::nullopt;
    if (select.next()) {
        QStringList pieces;
        for (int k = 0; k < wire::kSettingsPieceCount; ++k)
            pieces << select.value(k).toString();
        select.finish();
        return SettingsRecord(pieces);
    }
    select.finish();
    if (!inTransaction([&] { return saveSettings(computer, defaults, timestamp(now), error); }, error))
        return std::nullopt;
    return defaults;
}

bool ServerStore::saveSettings(const QString& computer, const SettingsRecord& settings, const QString& at,
                               QString* error) {
    return run(m_statements->upsertSettings,
               bindable(QStringList{computer} + settings.pieces() + QStringList{at, at}), error);
}

bool ServerStore::storeReport(const StatusReport& report, const QDateTime& receivedAt, QString* error) {
    const QString at = timestamp(receivedAt);
    QStringList status{report.computerName(), at};
    for (const QString& key : schema::statusKeys())
        status << report.value(key);
    const bool stored = inTransaction(
        [&] {
            return saveSettings(report.computerName(), report.settings(), at, error) &&
                   run(m_statements->replaceLatestStatus, bindable(status), error) &&
                   run(m_statements->insertReport, bindable(QStringList{at} + report.values()), error) &&
                   (!m_reportObserver || m_reportObserver(report, receivedAt, error));
        },
        error);
    if (stored)
        ++m_counters.reportsStored;
    return stored;
}

} // namespace server
