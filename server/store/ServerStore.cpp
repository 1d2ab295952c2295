#include "store/ServerStore.h"

#include "store/DatabaseLocation.h"
#include "store/Migrations.h"
#include "store/SqlDialect.h"
#include "store/SqlRun.h"
#include "store/StoreSchema.h"
#include "WireFormat.h"

#include <atomic>
#include <QDebug>
#include <QSqlError>
#include <QSqlQuery>

namespace server {
namespace {

// Every column is NOT NULL; a null QString would go in as NULL, so unset values go in as "".
QVariantList bindable(const QStringList& values) {
    QVariantList list;
    for (const QString& value : values)
        list << (value.isNull() ? QStringLiteral("") : value);
    return list;
}

using sql::run;

// Runs one of the store's common statements, adapted to the database.
bool runText(QSqlDatabase& db, const QString& text, QString* error) {
    QSqlQuery query(db);
    return sql::exec(query, text, error);
}

// Runs statements the dialect wrote for this very database, which need no adapting.
bool runOwn(QSqlDatabase& db, const QStringList& statements, QString* error) {
    for (const QString& statement : statements) {
        QSqlQuery query(db);
        if (!query.exec(statement)) {
            *error = query.lastError().text();
            return false;
        }
    }
    return true;
}

QString timestamp(const QDateTime& moment) {
    return sql::storedTime(moment);
}

QStringList enrolmentValues(const Enrolment& enrolment) {
    return {enrolment.name,
            stateText(enrolment.state),
            enrolment.keyHash,
            enrolment.keyless ? "1" : "0",
            timestamp(enrolment.askedAt),
            enrolment.askedFrom};
}

// A row of schema::enrolmentColumns(); an unknown state reads as Reset, so the name must enrol again.
Enrolment enrolmentFrom(const QSqlQuery& row) {
    Enrolment enrolment;
    enrolment.name = row.value(0).toString();
    enrolment.state = stateFromText(row.value(1).toString()).value_or(Enrolment::State::Reset);
    enrolment.keyHash = row.value(2).toString();
    enrolment.keyless = row.value(3).toInt() != 0;
    enrolment.askedAt = QDateTime::fromString(row.value(4).toString(), Qt::ISODateWithMs);
    enrolment.askedFrom = row.value(5).toString();
    return enrolment;
}

} // namespace

struct ServerStore::Statements {
    explicit Statements(const QSqlDatabase& db)
        : selectSettings(db), upsertSettings(db), replaceLatestStatus(db), insertReport(db), pruneReports(db),
          selectEnrolment(db), upsertEnrolment(db), countNamesAskedFrom(db), selectPending(db) {}

    bool prepare(QString* error) {
        const std::pair<QSqlQuery*, QString> all[] = {{&selectSettings, schema::selectSettings()},
                                                      {&upsertSettings, schema::upsertSettings()},
                                                      {&replaceLatestStatus, schema::replaceLatestStatus()},
                                                      {&insertReport, schema::insertReport()},
                                                      {&pruneReports, schema::pruneReports()},
                                                      {&selectEnrolment, schema::selectEnrolment()},
                                                      {&upsertEnrolment, schema::upsertEnrolment()},
                                                      {&countNamesAskedFrom, schema::countNamesAskedFrom()},
                                                      {&selectPending, schema::selectPending()}};
        for (const auto& [query, text] : all) {
            if (!sql::prepare(*query, text, error))
                return false;
        }
        return true;
    }

    QSqlQuery selectSettings;
    QSqlQuery upsertSettings;
    QSqlQuery replaceLatestStatus;
    QSqlQuery insertReport;
    QSqlQuery pruneReports;
    QSqlQuery selectEnrolment;
    QSqlQuery upsertEnrolment;
    QSqlQuery countNamesAskedFrom;
    QSqlQuery selectPending;
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

bool ServerStore::open(const QString& location, QString* error) {
    const auto where = readDatabaseLocation(location, error);
    if (!where || !connect(*where, error))
        return false;
    if (!runOwn(m_db, sql::sessionSetup(m_backend), error) || !migrate(error))
        return false;
    m_statements = std::make_unique<Statements>(m_db);
    return m_statements->prepare(error);
}

bool ServerStore::connect(const DatabaseLocation& where, QString* error) {
    m_backend = where.backend;
    m_db = QSqlDatabase::addDatabase(sql::driverName(m_backend), m_connectionName);
    m_db.setConnectOptions(sql::connectOptions(m_backend));
    if (m_backend == sql::Backend::Sqlite) {
        if (!createPrivateFile(where.file, error))
            return false;
        m_file = where.file;
        m_identity = fileIdentity(where.file).value_or(FileIdentity{});
        m_db.setDatabaseName(where.file);
    } else {
        m_db.setHostName(where.host);
        m_db.setPort(where.port);
        m_db.setUserName(where.user);
        m_db.setPassword(where.password);
        m_db.setDatabaseName(where.name);
    }
    if (m_db.open())
        return true;
    *error = m_db.lastError().text();
    return false;
}

// Every migration the database lacks runs in one transaction with the new version number, so a failed
// upgrade leaves the database as it was; PostgreSQL instances starting together take turns (the
// preamble's lock), so the second one finds the schema already up to date. Writing the version even when
// nothing is missing proves the database is writable now rather than at the first report.
bool ServerStore::migrate(QString* error) {
    return inTransaction(
        [&] {
            const auto version = schemaVersion(error);
            if (!version)
                return false;
            for (const Migration& migration : migrations()) {
                for (const QString& statement :
                     migration.version > *version ? migration.statements : QStringList{}) {
                    if (!runText(m_db, statement, error))
                        return false;
                }
            }
            return runOwn(m_db, sql::writeSchemaVersion(m_backend, latestSchemaVersion()), error);
        },
        error);
}

// The database's schema version, refused when a newer server wrote it.
std::optional<int> ServerStore::schemaVersion(QString* error) {
    QSqlQuery read(m_db);
    if (!runOwn(m_db, sql::migrationPreamble(m_backend), error))
        return std::nullopt;
    if (!read.exec(sql::readSchemaVersion(m_backend)) || !read.next()) {
        *error = read.lastError().text();
        return std::nullopt;
    }
    const int version = read.value(0).toInt();
    if (version <= latestSchemaVersion())
        return version;
    *error = QStringLiteral("the database has schema version %1, newer than this server knows (%2); "
                            "use the server that wrote it")
                 .arg(version)
                 .arg(latestSchemaVersion());
    return std::nullopt;
}

bool ServerStore::fileIsStillOurs(QString* error) const {
    if (m_backend == sql::Backend::Postgres || fileIdentity(m_file) == m_identity)
        return true;
    *error = QStringLiteral("the database file %1 was deleted or replaced while the server ran; "
                            "restart the server to use the file now there")
                 .arg(m_file);
    qCritical().noquote() << "kova_server:" << *error;
    return false;
}

bool ServerStore::inTransaction(const std::function<bool()>& work, QString* error) {
    if (!fileIsStillOurs(error))
        return false;
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

bool ServerStore::readSettings(const QString& computer, std::optional<SettingsRecord>& settings,
                               QString* error) {
    QSqlQuery& select = m_statements->selectSettings;
    if (!run(select, {computer}, error))
        return false;
    settings.reset();
    if (select.next()) {
        QStringList pieces;
        for (int k = 0; k < wire::kSettingsPieceCount; ++k)
            pieces << select.value(k).toString();
        settings = SettingsRecord(pieces);
    }
    select.finish();
    return true;
}

std::optional<SettingsRecord> ServerStore::settingsOrRegister(const QString& computer,
                                                              const SettingsRecord& defaults,
                                                              const QDateTime& now, QString* error) {
    std::optional<SettingsRecord> settings;
    if (!readSettings(computer, settings, error))
        return std::nullopt;
    if (settings)
        return settings;
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

std::optional<int> ServerStore::pruneReports(const QDateTime& before, QString* error) {
    int pruned = 0;
    const bool done = inTransaction(
        [&] {
            if (!run(m_statements->pruneReports, {timestamp(before)}, error))
                return false;
            pruned = m_statements->pruneReports.numRowsAffected();
            return true;
        },
        error);
    return done ? std::optional<int>(pruned) : std::nullopt;
}

bool ServerStore::readEnrolment(const QString& name, std::optional<Enrolment>& enrolment, QString* error) {
    QSqlQuery& select = m_statements->selectEnrolment;
    if (!run(select, {name}, error))
        return false;
    enrolment.reset();
    if (select.next())
        enrolment = enrolmentFrom(select);
    select.finish();
    return true;
}

bool ServerStore::saveEnrolment(const Enrolment& enrolment, QString* error) {
    return inTransaction(
        [&] {
            return run(m_statements->upsertEnrolment, bindable(enrolmentValues(enrolment)), error) &&
                   (enrolment.state != Enrolment::State::Pending || !m_pendingObserver ||
                    m_pendingObserver(enrolment.name, enrolment.askedAt, error));
        },
        error);
}

std::optional<int> ServerStore::countNamesAskedFrom(const QString& address, const QDateTime& since,
                                                    QString* error) {
    QSqlQuery& count = m_statements->countNamesAskedFrom;
    if (!run(count, {address, timestamp(since)}, error) || !count.next())
        return std::nullopt;
    const int names = count.value(0).toInt();
    count.finish();
    return names;
}

std::optional<QList<Enrolment>> ServerStore::pendingEnrolments(QString* error) {
    QSqlQuery& select = m_statements->selectPending;
    if (!run(select, {}, error))
        return std::nullopt;
    QList<Enrolment> pending;
    while (select.next())
        pending << enrolmentFrom(select);
    select.finish();
    return pending;
}

} // namespace server
