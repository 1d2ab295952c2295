#include "store/ServerStore.h"

#include "store/DatabaseIdentity.h"
#include "store/DatabaseLocation.h"
#include "store/Migrations.h"
#include "store/SqlDialect.h"
#include "store/SqliteLibrary.h"
#include "store/SqliteStatement.h"
#include "store/SqlRun.h"
#include "store/StoreSchema.h"
#include "store/TextWrite.h"
#include "WireFormat.h"

#include <atomic>
#include <QDebug>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>

namespace server {
namespace {

using sql::run;

// Where each status value sits among a report's values: found once, not on every report.
const QList<qsizetype>& statusPositions() {
    static const QList<qsizetype> positions = [] {
        QList<qsizetype> list;
        for (const QString& key : schema::statusKeys())
            list << StatusReport::position(key);
        return list;
    }();
    return positions;
}

// Runs one of the store's common statements, adapted to the database.
Result<> runText(QSqlDatabase& db, const QString& text) {
    QSqlQuery query(db);
    return sql::exec(query, text);
}

// Runs statements the dialect wrote for this very database, which need no adapting.
Result<> runOwn(QSqlDatabase& db, const QStringList& statements) {
    for (const QString& statement : statements) {
        QSqlQuery query(db);
        if (!query.exec(statement))
            return Failure{query.lastError().text()};
    }
    return Result<>::success();
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
            enrolment.askedFrom,
            enrolment.pendingKeyHash};
}

// A row of schema::enrolmentColumns(); an unknown state reads as Reset, so the name must enrol again.
Enrolment enrolmentFrom(const QStringList& row) {
    Enrolment enrolment;
    enrolment.name = row.at(0);
    enrolment.state = stateFromText(row.at(1)).value_or(Enrolment::State::Reset);
    enrolment.keyHash = row.at(2);
    enrolment.keyless = row.at(3).toInt() != 0;
    enrolment.askedAt = sql::readStoredTime(row.at(4));
    enrolment.askedFrom = row.at(5);
    enrolment.pendingKeyHash = row.at(6);
    return enrolment;
}

} // namespace

struct ServerStore::Statements {
    explicit Statements(const QSqlDatabase& db)
        : selectSettings(db), selectSettingsDownload(db), upsertSettings(db), stampSettingsDownload(db),
          selectHeldByOperator(db), replaceLatestStatus(db), insertReport(db), insertAudit(db),
          selectEnrolment(db), upsertEnrolment(db), countNamesAskedFrom(db), selectPending(db) {}

    Result<> prepare() {
        const std::pair<QSqlQuery*, QString> all[] = {
            {&selectSettings, schema::selectSettings()},
            {&selectSettingsDownload, schema::selectSettingsDownload()},
            {&upsertSettings, schema::upsertSettings()},
            {&stampSettingsDownload, schema::stampSettingsDownload()},
            {&selectHeldByOperator, schema::selectHeldByOperator()},
            {&replaceLatestStatus, schema::replaceLatestStatus()},
            {&insertReport, schema::insertReport()},
            {&insertAudit, schema::insertAudit()},
            {&selectEnrolment, schema::selectEnrolment()},
            {&upsertEnrolment, schema::upsertEnrolment()},
            {&countNamesAskedFrom, schema::countNamesAskedFrom()},
            {&selectPending, schema::selectPending()}};
        for (const auto& [query, text] : all) {
            query->setForwardOnly(true); // read once, row by row: no copy of each row is kept
            if (auto prepared = sql::prepare(*query, text); !prepared)
                return prepared;
        }
        return Result<>::success();
    }

    QSqlQuery selectSettings;
    QSqlQuery selectSettingsDownload;
    QSqlQuery upsertSettings;
    QSqlQuery stampSettingsDownload;
    QSqlQuery selectHeldByOperator;
    QSqlQuery replaceLatestStatus;
    QSqlQuery insertReport;
    QSqlQuery insertAudit;
    QSqlQuery selectEnrolment;
    QSqlQuery upsertEnrolment;
    QSqlQuery countNamesAskedFrom;
    QSqlQuery selectPending;
};

ServerStore::ServerStore() {
    static std::atomic_int instances{0};
    m_connectionName = QStringLiteral("kova-server-store-%1").arg(++instances);
}

// Whatever waits on the open group is gone by now; what it wrote is still kept.
ServerStore::~ServerStore() {
    m_settledObserver = nullptr;
    settle();
    m_statements.reset();
    m_kept.reset();
    m_checkpoints.stop();
    m_db.close();
    m_db = QSqlDatabase();
    QSqlDatabase::removeDatabase(m_connectionName);
}

Result<> ServerStore::open(const QString& location, NewDatabase creation) {
    const auto where = readDatabaseLocation(location);
    if (!where)
        return Failure{where.reason()};
    // Checked before connecting, which would create the file.
    if (where->backend == sql::Backend::Sqlite && creation == NewDatabase::Refused &&
        !QFileInfo::exists(where->file))
        return Failure{missingDatabaseReason(recordedIdentity(where->file))};
    if (auto connected = connect(*where); !connected)
        return connected;
    if (auto setUp = runOwn(m_db, sql::sessionSetup(m_backend)); !setUp)
        return setUp;
    if (m_backend == sql::Backend::Sqlite)
        m_checkpoints.start(sql::sqliteConnection(m_db), m_file);
    if (auto migrated = migrate(creation); !migrated)
        return migrated;
    if (auto marked = markIdentity(creation); !marked)
        return marked;
    return prepareStatements();
}

Result<> ServerStore::prepareStatements() {
    auto statements = std::make_unique<Statements>(m_db);
    if (auto prepared = statements->prepare(); !prepared)
        return prepared;
    m_statements = std::move(statements);
    m_kept = std::make_unique<StatementCache>(m_db);
    return Result<>::success();
}

Result<> ServerStore::runKept(const QString& text, const QStringList& values, const sql::TextRow& row) {
    return m_kept->run(text, values, row);
}

// PostgreSQL closes every connection when it restarts, and the driver never opens one again by itself. A
// failure is therefore checked with a trivial query; when that fails too, the connection is opened anew.
bool ServerStore::reopenWhenLost() {
    if (m_backend != sql::Backend::Postgres || QSqlQuery(m_db).exec(QStringLiteral("SELECT 1")))
        return false;
    m_db.close();
    if (!m_db.open()) {
        qWarning().noquote() << "kova_server: the database is out of reach:" << m_db.lastError().text();
        return false;
    }
    if (auto setUp = runOwn(m_db, sql::sessionSetup(m_backend)); !setUp)
        return false;
    if (auto prepared = prepareStatements(); !prepared)
        return false;
    qInfo().noquote() << "kova_server: the connection to the database was lost and is open again";
    return true;
}

// Within a transaction a lost connection is the transaction's to handle: a read alone on a new connection
// would let the rest of the transaction commit without its beginning.
Result<> ServerStore::readRows(QSqlQuery Statements::*statement, const QStringList& values,
                               const sql::TextRow& row) {
    auto done = sql::readText(m_statements.get()->*statement, values, row);
    if (!done && !m_inTransaction && !m_group.isOpen() && reopenWhenLost())
        done = sql::readText(m_statements.get()->*statement, values, row);
    return done;
}

Result<> ServerStore::connect(const DatabaseLocation& where) {
    m_backend = where.backend;
    m_db = QSqlDatabase::addDatabase(sql::driverName(m_backend), m_connectionName);
    m_db.setConnectOptions(sql::connectOptions(m_backend));
    if (m_backend == sql::Backend::Sqlite) {
        sql::setUpSqliteLibrary();
        if (auto created = createPrivateFile(where.file); !created)
            return created;
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
        return Result<>::success();
    return Failure{m_db.lastError().text()};
}

// Every migration the database lacks runs in one transaction with the new version number, so a failed
// upgrade leaves the database as it was; PostgreSQL instances starting together take turns (the
// preamble's lock), so the second one finds the schema already up to date. Writing the version even when
// nothing is missing proves the database is writable now rather than at the first report.
Result<> ServerStore::migrate(NewDatabase creation) {
    return inTransaction([&]() -> Result<> {
        const auto version = schemaVersion();
        if (!version)
            return Failure{version.reason()};
        if (creation == NewDatabase::Refused) {
            if (auto found = refuseEmpty(); !found)
                return found;
        }
        for (const Migration& migration : migrations()) {
            for (const QString& statement :
                 migration.version > *version ? migration.statements : QStringList{}) {
                if (auto done = runText(m_db, statement); !done)
                    return done;
            }
        }
        const auto id = identity();
        if (!id)
            return Failure{id.reason()};
        m_databaseId = *id;
        return runOwn(m_db, sql::writeSchemaVersion(m_backend, latestSchemaVersion()));
    });
}

// A SQLite database's identity is also kept beside it, so that it can be named once the file is gone.
Result<> ServerStore::markIdentity(NewDatabase creation) {
    if (m_backend != sql::Backend::Sqlite)
        return Result<>::success();
    const QString recorded = recordedIdentity(m_file);
    if (creation == NewDatabase::Refused && !recorded.isEmpty() && recorded != m_databaseId)
        qWarning().noquote() << QStringLiteral("kova_server: the database %1 is not the one this server used "
                                               "before (identity %2); using it, identity %3")
                                    .arg(m_file, recorded, m_databaseId);
    return recordIdentity(m_file, m_databaseId);
}

// An empty database stands for a lost one as much as a missing file does: a PostgreSQL database dropped
// and created again, or a SQLite file emptied.
Result<> ServerStore::refuseEmpty() {
    QSqlQuery count(m_db);
    if (!count.exec(sql::countTables(m_backend)) || !count.next())
        return Failure{count.lastError().text()};
    if (count.value(0).toInt() > 0)
        return Result<>::success();
    return Failure{
        missingDatabaseReason(m_backend == sql::Backend::Sqlite ? recordedIdentity(m_file) : QString())};
}

// The database's random identity, made when it has none yet (a new database, or one from before
// identities).
Result<QString> ServerStore::identity() {
    QSqlQuery query(m_db);
    if (auto read = sql::exec(query, QStringLiteral("SELECT id FROM database_identity")); !read)
        return Failure{read.reason()};
    if (query.next())
        return query.value(0).toString();
    const QString made = QUuid::createUuid().toString(QUuid::WithoutBraces);
    if (auto saved = run(query, QStringLiteral("INSERT INTO database_identity (id) VALUES (?)"), {made});
        !saved)
        return Failure{saved.reason()};
    return made;
}

// The database's schema version, refused when a newer server wrote it.
Result<int> ServerStore::schemaVersion() {
    QSqlQuery read(m_db);
    if (auto locked = runOwn(m_db, sql::migrationPreamble(m_backend)); !locked)
        return Failure{locked.reason()};
    if (!read.exec(sql::readSchemaVersion(m_backend)) || !read.next())
        return Failure{read.lastError().text()};
    const int version = read.value(0).toInt();
    if (version <= latestSchemaVersion())
        return version;
    return Failure{QStringLiteral("the database has schema version %1, newer than this server knows (%2); "
                                  "use the server that wrote it")
                       .arg(version)
                       .arg(latestSchemaVersion())};
}

Result<> ServerStore::checkFileIsStillOurs() const {
    if (m_backend == sql::Backend::Postgres || fileIdentity(m_file) == m_identity)
        return Result<>::success();
    const QString reason =
        QStringLiteral("the database file %1 was deleted or replaced while the server ran; "
                       "restart the server to use the file now there")
            .arg(m_file);
    qCritical().noquote() << "kova_server:" << reason;
    return Failure{reason};
}

// A transaction that failed before its commit left nothing behind, so after a lost connection it runs once
// more on the new one. One whose commit failed may have been stored: it is never repeated, so a report is
// never stored twice, and its sender (which got no acknowledgement) sends it again.
Result<> ServerStore::inTransaction(const std::function<Result<>()>& work) {
    // An open group's file was checked when the group began.
    if (auto ours = m_grouping && m_group.isOpen() ? Result<>::success() : checkFileIsStillOurs(); !ours)
        return ours;
    if (m_grouping)
        return joinGroup(work);
    settle();
    const Attempt first = attemptTransaction(work);
    if (first.result)
        return first.result;
    if (!reopenWhenLost() || first.reachedCommit)
        return first.result;
    return attemptTransaction(work).result;
}

ServerStore::Attempt ServerStore::attemptTransaction(const std::function<Result<>()>& work) {
    if (!m_db.transaction()) {
        ++m_counters.databaseErrors;
        return {Failure{m_db.lastError().text()}, false};
    }
    m_inTransaction = true;
    const Result<> done = work();
    m_inTransaction = false;
    if (done && m_db.commit())
        return {done, true};
    ++m_counters.databaseErrors;
    // A step that failed without a reason, or the commit, leaves the database's own.
    const QString reason = done.reason().isEmpty() ? m_db.lastError().text() : done.reason();
    m_db.rollback();
    return {Failure{reason}, done.ok()};
}

// A group that cannot begin failed before anything was written, so after a lost connection it begins once
// more on the new one, as a single transaction would.
Result<> ServerStore::joinGroup(const std::function<Result<>()>& work) {
    if (!m_group.isOpen()) {
        auto begun = m_group.begin();
        if (!begun && reopenWhenLost())
            begun = m_group.begin();
        if (!begun) {
            ++m_counters.databaseErrors;
            return begun;
        }
    }
    m_inTransaction = true;
    Result<> done = m_group.join(work);
    m_inTransaction = false;
    // Waited for briefly, as the group holds others' writes: those are committed, and it runs again alone.
    if (!done && GroupTransaction::isLockTimeout(done)) {
        settle();
        if (auto begun = m_group.begin(); !begun)
            done = begun;
        else {
            m_inTransaction = true;
            done = m_group.join(work);
            m_inTransaction = false;
        }
    }
    if (!done)
        ++m_counters.databaseErrors;
    return done;
}

void ServerStore::settle() {
    if (!m_group.isOpen())
        return;
    const Result<> committed = m_group.commit();
    if (committed)
        m_counters.reportsStored += m_reportsInGroup;
    else
        ++m_counters.databaseErrors;
    m_reportsInGroup = 0;
    if (m_settledObserver)
        m_settledObserver(committed);
}

Result<std::optional<SettingsRecord>> ServerStore::readSettings(const QString& computer) {
    std::optional<SettingsRecord> settings;
    if (auto done = readRows(&Statements::selectSettings, {computer},
                             [&](const QStringList& pieces) { settings = SettingsRecord(pieces); });
        !done)
        return Failure{done.reason()};
    return settings;
}

// Stamped with the time the request arrived, before the read: an operator's change made in between is then
// later than the download, and a report cannot overwrite it even when the download already carried it.
Result<SettingsRecord> ServerStore::downloadSettings(const QString& computer,
                                                     const std::function<SettingsRecord()>& defaults,
                                                     const QDateTime& now) {
    std::optional<SettingsRecord> stored;
    bool operatorChanged = false;
    if (auto done = readRows(&Statements::selectSettingsDownload, {computer},
                             [&](const QStringList& row) {
                                 stored = SettingsRecord(row.first(row.size() - 1));
                                 operatorChanged = row.last() == u'1';
                             });
        !done)
        return Failure{done.reason()};
    // The stamp is written only for a computer an operator has changed settings of, so a download of any
    // other writes nothing and waits for no commit.
    if (stored && !operatorChanged)
        return *stored;
    const bool known = stored.has_value();
    const SettingsRecord download = known ? *stored : defaults();
    const QString at = timestamp(now);
    const auto stamped = inTransaction([&]() -> Result<> {
        if (!known) {
            if (auto saved = saveSettings(computer, download, at); !saved)
                return saved;
        }
        return sql::writeText(m_statements->stampSettingsDownload, {at, computer});
    });
    if (!stamped)
        return Failure{stamped.reason()};
    return download;
}

Result<QSet<QString>> ServerStore::heldByOperator(const QString& computer) {
    QSet<QString> held;
    if (auto done = readRows(&Statements::selectHeldByOperator, {computer},
                             [&](const QStringList& row) { held << row.at(0); });
        !done)
        return Failure{done.reason()};
    return held;
}

Result<> ServerStore::saveSettings(const QString& computer, const SettingsRecord& settings,
                                   const QString& at) {
    return sql::writeText(m_statements->upsertSettings,
                          QStringList{computer} + settings.pieces() + QStringList{at, at});
}

Result<> ServerStore::auditReportedChanges(const QString& computer, const QList<SettingChange>& changes,
                                           const QString& at) {
    for (const SettingChange& change : changes) {
        if (auto audited = sql::writeText(m_statements->insertAudit, {at, computer, computer, change.name,
                                                                      change.oldValue, change.newValue});
            !audited)
            return audited;
    }
    return Result<>::success();
}

Result<> ServerStore::storeReport(const StatusReport& report, const QDateTime& receivedAt,
                                  const QList<SettingChange>& changes, ReportedSettings settings) {
    const QString at = timestamp(receivedAt);
    QStringList status{report.computerName(), at};
    status.reserve(2 + statusPositions().size());
    for (const qsizetype position : statusPositions())
        status << report.values().at(position);
    auto stored = inTransaction([&]() -> Result<> {
        for (const auto& step : std::initializer_list<std::function<Result<>()>>{
                 [&] {
                     return settings == ReportedSettings::AlreadyHeld
                                ? Result<>::success()
                                : saveSettings(report.computerName(), report.settings(), at);
                 },
                 [&] { return auditReportedChanges(report.computerName(), changes, at); },
                 [&] { return sql::writeText(m_statements->replaceLatestStatus, status); },
                 [&] {
                     return sql::writeText(m_statements->insertReport, QStringList{at} + report.values());
                 }}) {
            if (auto done = step(); !done)
                return done;
        }
        return m_reportObserver ? m_reportObserver(report, receivedAt) : Result<>::success();
    });
    if (stored)
        ++(m_grouping ? m_reportsInGroup : m_counters.reportsStored);
    return stored;
}

Result<int> ServerStore::prune(const QStringList& statements, const QDateTime& oldestKept) {
    int pruned = 0;
    const auto done = inTransaction([&]() -> Result<> {
        for (const QString& statement : statements) {
            QSqlQuery query(m_db);
            if (auto ran = run(query, statement, {timestamp(oldestKept)}); !ran)
                return ran;
            pruned = std::max(pruned, query.numRowsAffected());
        }
        return Result<>::success();
    });
    if (!done)
        return Failure{done.reason()};
    return pruned;
}

Result<std::optional<Enrolment>> ServerStore::readEnrolment(const QString& name) {
    std::optional<Enrolment> enrolment;
    if (auto done = readRows(&Statements::selectEnrolment, {name},
                             [&](const QStringList& row) { enrolment = enrolmentFrom(row); });
        !done)
        return Failure{done.reason()};
    return enrolment;
}

Result<> ServerStore::saveEnrolment(const Enrolment& enrolment) {
    return inTransaction([&]() -> Result<> {
        if (auto saved = sql::writeText(m_statements->upsertEnrolment, enrolmentValues(enrolment)); !saved)
            return saved;
        if (enrolment.state != Enrolment::State::Pending || !m_pendingObserver)
            return Result<>::success();
        return m_pendingObserver(enrolment.name, enrolment.askedAt);
    });
}

Result<int> ServerStore::countNamesAskedFrom(const QString& address, const QDateTime& since) {
    int names = 0;
    if (auto done = readRows(&Statements::countNamesAskedFrom, {address, timestamp(since)},
                             [&](const QStringList& row) { names = row.at(0).toInt(); });
        !done)
        return Failure{done.reason()};
    return names;
}

Result<QList<Enrolment>> ServerStore::pendingEnrolments() {
    QList<Enrolment> pending;
    if (auto done = readRows(&Statements::selectPending, {},
                             [&](const QStringList& row) { pending << enrolmentFrom(row); });
        !done)
        return Failure{done.reason()};
    return pending;
}

} // namespace server
