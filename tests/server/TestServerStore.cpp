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
            const auto opened = store.open(file);
            QVERIFY2(opened, qPrintable(opened.reason()));
            const auto enrolment = store.readEnrolment("OLD-PC");
            QVERIFY(enrolment);
            QVERIFY(*enrolment && (*enrolment)->state == server::Enrolment::State::Admitted);
        }
        server::ServerStore again; // opening an up-to-date database changes nothing
        const auto reopened = again.open(file);
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
            const auto opened = store.open(server.options.databaseFile);
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

    void newerDatabaseIsRefused() {
        QTemporaryDir dir;
        const int newer = server::latestSchemaVersion() + 1;
        const QString file = prepareDatabase(dir, {}, newer);
        QVERIFY(!file.isEmpty());
        server::ServerStore store;
        const auto opened = store.open(file);
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
