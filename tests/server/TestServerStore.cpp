// The store's promises: private files, a schema brought up to date (never down), and no report
// acknowledged once its database file is gone.
#include "AgentForms.h"
#include "RunningServer.h"
#include "store/Migrations.h"
#include "store/ServerStore.h"
#include "store/StoreSchema.h"
#include "support/BlockingHttp.h"

#include <QFileInfo>
#include <sys/stat.h>

using testsupport::postForm;

namespace {

// Creates a database file with `statements` run on it, behind any store's back.
bool prepareDatabase(const QString& file, const QStringList& statements) {
    bool ok = true;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("maker"));
        db.setDatabaseName(file);
        ok = db.open();
        for (const QString& sql : statements)
            ok = ok && QSqlQuery(db).exec(sql);
    }
    QSqlDatabase::removeDatabase(QStringLiteral("maker"));
    return ok;
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
        const QString file = dir.filePath("old.sqlite");
        const QStringList fields = server::SettingsRecord::fieldNames();
        const QString insert = QString("INSERT INTO computers (name, registered_at, changed_at, \"%1\") "
                                       "VALUES ('OLD-PC', 'x', 'x'%2)")
                                   .arg(fields.join("\", \""), QString(", ''").repeated(fields.size()));
        QVERIFY(prepareDatabase(file, server::schema::createStatements() +
                                          QStringList{"PRAGMA user_version = 1", insert}));
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
        const QString file = dir.filePath("new.sqlite");
        const int newer = server::latestSchemaVersion() + 1;
        QVERIFY(prepareDatabase(file, {QStringLiteral("PRAGMA user_version = %1").arg(newer)}));
        server::ServerStore store;
        QString error;
        QVERIFY(!store.open(file, &error));
        QVERIFY2(error.contains(QString::number(newer)) && error.contains("newer"), qPrintable(error));
    }

    // The file goes away (deleted, or another put in its place) while the server runs: every change is
    // refused with 500 and nothing is acknowledged.
    void lostDatabaseIsNeverAcknowledged_data() {
        QTest::addColumn<bool>("replace");
        QTest::newRow("deleted") << false;
        QTest::newRow("replaced") << true;
    }
    void lostDatabaseIsNeverAcknowledged() {
        QFETCH(bool, replace);
        RunningServer server;
        QCOMPARE(server.start(), QString());
        const QString file = server.options.databaseFile;
        for (const char* suffix : {"", "-wal", "-shm"})
            QFile::remove(file + suffix);
        if (replace)
            QVERIFY(prepareDatabase(file, server::schema::createStatements()));
        QTest::ignoreMessage(QtCriticalMsg, QRegularExpression("deleted or replaced"));
        const auto report = postForm(server.endpoint(), reportForm("SRV01"));
        QCOMPARE(report.status, 500);
        QVERIFY2(!report.body.contains("received"), report.body);
    }
};

QTEST_GUILESS_MAIN(TestServerStore)
#include "TestServerStore.moc"
