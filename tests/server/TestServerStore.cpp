// The store's promises: private files, a schema brought up to date (never down), and no report
// acknowledged once its database file is gone.
#include "AgentForms.h"
#include "AgentKeyHash.h"
#include "RunningServer.h"
#include "store/Migrations.h"
#include "store/ServerStore.h"
#include "store/SqlDialect.h"
#include "store/StoreSchema.h"
#include "support/BlockingHttp.h"

#include <QFileInfo>
#include <sys/stat.h>

using testsupport::postForm;

namespace {

// Runs `statements` on the database at `location`, behind any store's back; with a `version`, in the
// frame a migration has (the dialect's preamble first, that schema version written last).
bool runOn(const QString& location, const QStringList& statements, int version = 0) {
    bool ok = true;
    {
        QSqlDatabase db = testdb::connect(location, QStringLiteral("maker"));
        const auto backend = server::sql::backendOf(db);
        ok = db.open();
        QString error;
        for (const QString& sql : version > 0 ? server::sql::migrationPreamble(backend) : QStringList{})
            ok = ok && QSqlQuery(db).exec(sql);
        for (const QString& sql : statements) {
            QSqlQuery query(db);
            const auto done = ok ? server::sql::exec(query, sql) : Result<>::success();
            ok = ok && done.ok();
            error += done.reason();
        }
        for (const QString& sql :
             version > 0 ? server::sql::writeSchemaVersion(backend, version) : QStringList{})
            ok = ok && QSqlQuery(db).exec(sql);
        if (!error.isEmpty())
            qWarning().noquote() << error;
    }
    QSqlDatabase::removeDatabase(QStringLiteral("maker"));
    return ok;
}

// Creates a database (a SQLite file, or a PostgreSQL database with KOVA_TEST_POSTGRES) with `statements`
// run on it and the schema version set.
QString prepareDatabase(const QTemporaryDir& dir, const QStringList& statements, int version) {
    const QString location = testdb::fresh(dir, QStringLiteral("made.sqlite"));
    return runOn(location, statements, version) ? location : QString();
}

mode_t permissions(const QString& file) {
    struct stat status {};
    return ::stat(QFile::encodeName(file).constData(), &status) == 0 ? status.st_mode & 0777 : 0;
}

} // namespace

class TestServerStore : public QObject {
    Q_OBJECT

private slots:
    void filesArePrivate() {
        if (testdb::onPostgres())
            QSKIP("a SQLite file's permissions");
        RunningServer server;
        QCOMPARE(server.start(), QString());
        QCOMPARE(postForm(server.endpoint(), wire::settingsRequestBody("SRV01").toUtf8()).status, 200);
        for (const char* suffix : {"", "-wal", "-shm"}) {
            const QString file = server.options.databaseFile + suffix;
            QVERIFY2(QFileInfo::exists(file), qPrintable(file));
            QCOMPARE(permissions(file), mode_t(0600));
        }
    }

    void olderDatabaseIsUpgraded() {
        QTemporaryDir dir;
        const QStringList fields = server::SettingsRecord::fieldNames();
        const QString insert = QString("INSERT INTO computers (name, registered_at, changed_at, \"%1\") "
                                       "VALUES ('OLD-PC', 'x', 'x'%2)")
                                   .arg(fields.join("\", \""), QString(", ''").repeated(fields.size()));
        const QString file = prepareDatabase(dir, server::schema::createStatements() << insert, 1);
        QVERIFY(!file.isEmpty());
        {
            server::ServerStore store;
            const auto opened = store.open(file, server::NewDatabase::Refused);
            QVERIFY2(opened, qPrintable(opened.reason()));
            const auto enrolment = store.readEnrolment("OLD-PC");
            QVERIFY(enrolment);
            QVERIFY(*enrolment && (*enrolment)->state == server::Enrolment::State::Admitted);
        }
        server::ServerStore again; // opening an up-to-date database changes nothing
        const auto reopened = again.open(file, server::NewDatabase::Refused);
        QVERIFY2(reopened, qPrintable(reopened.reason()));
    }

    // A computer keyed before names were bound to the key that asked keeps its key across the upgrade.
    void keyedComputerKeepsItsKeyAcrossTheUpgrade() {
        QTemporaryDir dir;
        QStringList earlier;
        for (const server::Migration& migration : server::migrations()) {
            if (migration.version < 5)
                earlier << migration.statements;
        }
        const QString key = wire::newAgentKey();
        earlier << QString("INSERT INTO enrolments (name, state, key_hash, asked_at) "
                           "VALUES ('OLD-PC', 'keyed', '%1', '2026-12-01T00:00:00.000Z')")
                       .arg(wire::agentKeyHash(key));
        RunningServer server;
        server.options.databaseFile = prepareDatabase(dir, earlier, 4);
        QVERIFY(!server.options.databaseFile.isEmpty());
        QCOMPARE(server.start(), QString());
        QCOMPARE(server.askSettings("OLD-PC", key.toLatin1()).status, 200);
        QCOMPARE(server.askSettings("OLD-PC", wire::newAgentKey().toLatin1()).status, 401);
    }

    // 1,200 reports older than the days kept go in batches; a report within the days kept, the newer report
    // and the latest status stay.
    void oldReportsArePruned() {
        RunningServer server;
        server.options.keepDays = 30;
        {
            server::ServerStore store; // the schema, before the server starts
            const auto opened = store.open(server.options.databaseFile, server::NewDatabase::Allowed);
            QVERIFY2(opened, qPrintable(opened.reason()));
        }
        const QString columns = '"' + wire::reportKeys().join("\", \"") + '"';
        const QString blanks = QStringList(wire::reportKeys().size(), "''").join(", ");
        QVERIFY(runOn(server.options.databaseFile,
                      {QString("WITH RECURSIVE n(k) AS (SELECT 1 UNION ALL SELECT k + 1 FROM n "
                               "WHERE k < 1200) INSERT INTO reports (received_at, %1) "
                               "SELECT '2026-10-01T12:00:00.000', %2 FROM n")
                           .arg(columns, blanks),
                       QString("INSERT INTO reports (received_at, %1) VALUES ('2026-11-06T12:00:00.000', %2)")
                           .arg(columns, blanks)}));
        QCOMPARE(server.count("SELECT COUNT(*) FROM reports"), 1201);
        QCOMPARE(server.start(), QString());
        const QByteArray key = server.enrol("SRV01");
        QCOMPARE(postForm(server.endpoint(), reportForm("SRV01"), testsupport::bearer(key)).status, 200);
        QTRY_COMPARE_WITH_TIMEOUT(server.count("SELECT COUNT(*) FROM reports"), 2, 10000);
        QCOMPARE(server.count("SELECT COUNT(*) FROM latest_status"), 1);
    }

    // Each table that grows loses its old rows and keeps the rest, the server's time being 2026-12-05 15:00
    // and 30 days kept.
    void oldRowsOfEveryTableArePruned_data() {
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<QString>("remaining"); // a query naming the rows kept
        QTest::addColumn<QStringList>("kept");
        const QString old = "'2026-10-01T12:00:00.000'";
        const QString recent = "'2026-12-05T14:00:00.000'";
        QTest::newRow("events and their deliveries")
            << QStringList{QString("INSERT INTO events (event_id, kind, computer, at, body) VALUES "
                                   "('old', 'k', 'PC', %1, '{}'), ('new', 'k', 'PC', %2, '{}')")
                               .arg(old, recent),
                           "INSERT INTO deliveries (event, receiver, state, attempts, next_try_at, "
                           "last_error, "
                           "done_at) SELECT id, 'r', 'delivered', 1, '', '', '' FROM events"}
            << "SELECT e.event_id FROM events e JOIN deliveries d ON d.event = e.id UNION ALL "
               "SELECT 'orphan' FROM deliveries WHERE event NOT IN (SELECT id FROM events)"
            << QStringList{"new"};
        QTest::newRow("failed logins")
            << QStringList{QString("INSERT INTO login_failures (name, address, at) VALUES ('old', 'a', %1), "
                                   "('new', 'a', %2)")
                               .arg(old, recent)}
            << "SELECT name FROM login_failures" << QStringList{"new"};
        QTest::newRow("expired sessions")
            << QStringList{"INSERT INTO sessions (token_hash, operator, csrf_token, created_at, expires_at) "
                           "VALUES ('old', 'o', 'c', '', '2026-12-05T14:59:59.000'), "
                           "('new', 'o', 'c', '', '2026-12-05T15:00:01.000')"}
            << "SELECT token_hash FROM sessions" << QStringList{"new"};
        QTest::newRow("names that stopped asking to enrol")
            << QStringList{"INSERT INTO enrolments (name, state, asked_at) VALUES "
                           "('old', 'pending', '2026-11-27T12:00:00.000'), "
                           "('new', 'pending', '2026-11-29T12:00:00.000'), "
                           "('admitted', 'admitted', '2026-01-01T12:00:00.000')"}
            << "SELECT name FROM enrolments ORDER BY name" << QStringList{"admitted", "new"};
    }
    void oldRowsOfEveryTableArePruned() {
        QFETCH(QStringList, rows);
        QFETCH(QString, remaining);
        QFETCH(QStringList, kept);
        RunningServer server;
        server.options.keepDays = 30;
        {
            server::ServerStore store;
            const auto opened = store.open(server.options.databaseFile, server::NewDatabase::Allowed);
            QVERIFY2(opened, qPrintable(opened.reason()));
        }
        QVERIFY(runOn(server.options.databaseFile, rows));
        QCOMPARE(server.start(), QString());
        const auto names = [&] {
            QStringList found;
            {
                QSqlDatabase db = testdb::connect(server.options.databaseFile, "pruned");
                QSqlQuery query(db);
                if (db.open() && query.exec(remaining))
                    while (query.next())
                        found << query.value(0).toString();
            }
            QSqlDatabase::removeDatabase("pruned");
            return found;
        };
        QTRY_COMPARE_WITH_TIMEOUT(names(), kept, 10000);
    }

    // A missing or empty database stands for a lost one: it is set up only when asked for.
    void emptyDatabaseIsSetUpOnlyWhenAsked() {
        QTemporaryDir dir;
        const QString location = prepareDatabase(dir, {}, 0);
        QVERIFY(!location.isEmpty());
        {
            server::ServerStore store;
            const auto refused = store.open(location, server::NewDatabase::Refused);
            QVERIFY(!refused);
            QVERIFY2(refused.reason().contains("--new-database"), qPrintable(refused.reason()));
        }
        for (const auto creation : {server::NewDatabase::Allowed, server::NewDatabase::Refused}) {
            server::ServerStore store;
            const auto opened = store.open(location, creation);
            QVERIFY2(opened, qPrintable(opened.reason()));
        }
    }

    void newerDatabaseIsRefused() {
        QTemporaryDir dir;
        const int newer = server::latestSchemaVersion() + 1;
        const QString file = prepareDatabase(dir, {}, newer);
        QVERIFY(!file.isEmpty());
        server::ServerStore store;
        const auto opened = store.open(file, server::NewDatabase::Refused);
        QVERIFY(!opened);
        const QString& error = opened.reason();
        QVERIFY2(error.contains(QString::number(newer)) && error.contains("newer"), qPrintable(error));
    }

    // The file goes away (deleted, or another put in its place) while the server runs: every change is
    // refused with 500 and nothing is acknowledged, no key handed out.
    void lostDatabaseIsNeverAcknowledged_data() {
        QTest::addColumn<bool>("replace");
        QTest::newRow("deleted") << false;
        QTest::newRow("replaced") << true;
    }
    void lostDatabaseIsNeverAcknowledged() {
        QFETCH(bool, replace);
        if (testdb::onPostgres())
            QSKIP("a SQLite file deleted under the server");
        RunningServer server;
        QCOMPARE(server.start(), QString());
        const QByteArray key = server.enrol("SRV01");
        const QString file = server.options.databaseFile;
        for (const char* suffix : {"", "-wal", "-shm"})
            QFile::remove(file + suffix);
        if (replace)
            QVERIFY(QFile::copy(prepareDatabase(server.dir, server::schema::createStatements(), 1), file));
        for (int request = 0; request < 2; ++request)
            QTest::ignoreMessage(QtCriticalMsg, QRegularExpression("deleted or replaced"));
        const auto report = postForm(server.endpoint(), reportForm("SRV01"), testsupport::bearer(key));
        QCOMPARE(report.status, 500);
        QVERIFY2(!report.body.contains("received"), report.body);
        const auto settings = server.askSettings("NEW-PC"); // no key handed out that was never stored
        QCOMPARE(settings.status, 500);
        QCOMPARE(settings.body + settings.header(wire::kAgentKeyHeader), QByteArray());
    }
};

QTEST_GUILESS_MAIN(TestServerStore)
#include "TestServerStore.moc"
