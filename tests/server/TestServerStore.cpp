// The store's promises: private files, a schema brought up to date (never down), and no report
// acknowledged once its database file is gone.
#include "AgentForms.h"
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

// Creates a database (a SQLite file, or a PostgreSQL database with KOVA_TEST_POSTGRES) with `statements`
// run on it and the schema version set, behind any store's back.
QString prepareDatabase(const QTemporaryDir& dir, const QStringList& statements, int version) {
    const QString location = testdb::fresh(dir, QStringLiteral("made.sqlite"));
    bool ok = true;
    {
        QSqlDatabase db = testdb::connect(location, QStringLiteral("maker"));
        const auto backend = server::sql::backendOf(db);
        ok = db.open();
        QString error;
        for (const QString& sql : server::sql::migrationPreamble(backend))
            ok = ok && QSqlQuery(db).exec(sql);
        for (const QString& sql : statements) {
            QSqlQuery query(db);
            ok = ok && server::sql::exec(query, sql, &error);
        }
        for (const QString& sql : server::sql::writeSchemaVersion(backend, version))
            ok = ok && QSqlQuery(db).exec(sql);
    }
    QSqlDatabase::removeDatabase(QStringLiteral("maker"));
    return ok ? location : QString();
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
        QString error;
        {
            server::ServerStore store;
            QVERIFY2(store.open(file, &error), qPrintable(error));
            std::optional<server::Enrolment> enrolment;
            QVERIFY(store.readEnrolment("OLD-PC", enrolment, &error));
            QVERIFY(enrolment && enrolment->state == server::Enrolment::State::Admitted);
        }
        server::ServerStore again; // opening an up-to-date database changes nothing
        QVERIFY2(again.open(file, &error), qPrintable(error));
    }

    void newerDatabaseIsRefused() {
        QTemporaryDir dir;
        const int newer = server::latestSchemaVersion() + 1;
        const QString file = prepareDatabase(dir, {}, newer);
        QVERIFY(!file.isEmpty());
        server::ServerStore store;
        QString error;
        QVERIFY(!store.open(file, &error));
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
