#include "RunningServer.h"
#include "support/BuiltServer.h"
#include "support/SelfSignedCertificate.h"

#include <QTcpServer>
#include <QTemporaryDir>
#include <QtTest>

// The built server executable: how it ends when it cannot start.
class TestServerCommandLine : public QObject {
    Q_OBJECT
    QTemporaryDir dir;
    QTcpServer busyPort;

    QString in(const QString& name) const { return dir.filePath(name); }

private slots:
    void startupErrorsEndTheServer_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("message");
        const auto row = [](const char* name, const QStringList& args, const char* message) {
            QTest::newRow(name) << args << QString(message);
        };
        const QString junk = in("junk");
        QFile junkFile(junk);
        QVERIFY(junkFile.open(QIODevice::WriteOnly) && junkFile.write(QByteArray(4096, 'x')) == 4096);
        QVERIFY(busyPort.isListening() || busyPort.listen(QHostAddress::LocalHost));
        const QStringList db{"--database", in("server.sqlite"), "--new-database"};
        row("port in use", db + QStringList{"--port", QString::number(busyPort.serverPort())},
            "cannot listen");
        row("database folder missing", {"--database", in("missing/server.sqlite"), "--new-database"},
            "cannot use the database");
        row("not a database", {"--database", junk}, "cannot use the database");
        row("not a certificate", db + QStringList{"--tls-cert", junk, "--tls-key", junk},
            "holds no PEM certificate");
        row("certificate without key", db + QStringList{"--tls-cert", junk}, "together");
        QString error;
        QVERIFY(QDir(dir.path()).mkpath("first") && QDir(dir.path()).mkpath("second"));
        const auto first = SelfSignedCertificate::create(in("first"), &error);
        const auto second = SelfSignedCertificate::create(in("second"), &error);
        QVERIFY2(first && second, qPrintable(error));
        row("key of another certificate",
            db + QStringList{"--tls-cert", first->certificatePath, "--tls-key", second->keyPath},
            "does not belong");
        row("trusted proxy by name", db + QStringList{"--trusted-proxy", "proxy.example"}, "--trusted-proxy");
        row("unknown policy", db + QStringList{"--enrol", "anyone"}, "open, approve or closed");
        row("no days kept", db + QStringList{"--keep-days", "0"}, "--keep-days");
        row("no connections", db + QStringList{"--max-connections", "0"}, "--max-connections");
        row("connections not a number", db + QStringList{"--max-connections", "many"}, "--max-connections");
        row("report interval below 0", db + QStringList{"--report-interval", "-1"}, "--report-interval");
        row("two actions", db + QStringList{"--approve", "A", "--reset-key", "B"}, "one of");
        row("reset of an unknown name", db + QStringList{"--reset-key", "NOBODY"}, "NOBODY");
    }
    void startupErrorsEndTheServer() {
        QFETCH(QStringList, args);
        QFETCH(QString, message);
        const auto [code, output, complaint] = runServerAction(args);
        QCOMPARE(code, 1);
        QVERIFY2(complaint.contains(message), qPrintable(complaint));
    }

    // A database the server used and then lost stops its next start with one line saying what to do,
    // whether the file was deleted or emptied; --new-database deliberately starts afresh.
    void lostDatabaseStopsTheStart_data() {
        QTest::addColumn<bool>("emptied");
        QTest::newRow("deleted") << false;
        QTest::newRow("emptied") << true;
    }
    void lostDatabaseStopsTheStart() {
        QFETCH(bool, emptied);
        QTemporaryDir data;
        const QString db = data.filePath("server.sqlite");
        const QStringList serve{"--database", db, "--port", "0"};
        {
            BuiltServer first;
            const auto started = first.start(serve + QStringList{"--new-database"});
            QVERIFY2(started, qPrintable(started.reason()));
        }
        QFile marker(db + ".identity");
        QVERIFY(marker.open(QIODevice::ReadOnly));
        const QString identity = QString::fromUtf8(marker.readAll()).trimmed();
        QCOMPARE(identity.size(), 36);
        for (const char* suffix : {"", "-wal", "-shm"})
            QFile::remove(db + suffix);
        if (emptied)
            QVERIFY(QFile(db).open(QIODevice::WriteOnly));

        const auto [code, output, complaint] = runServerAction(serve);
        QCOMPARE(code, 1);
        QCOMPARE(complaint.trimmed().count('\n'), 0);
        for (const QString& part : {db, identity, QString("gone"), QString("--new-database")})
            QVERIFY2(complaint.contains(part), qPrintable(complaint));
        QCOMPARE(QFileInfo::exists(db), emptied);

        BuiltServer afresh;
        const auto started = afresh.start(serve + QStringList{"--new-database"});
        QVERIFY2(started, qPrintable(started.reason()));
        QVERIFY(QFile(db).size() > 0);
    }

    // A server never started on a database refuses to make one unasked, for serving and for actions alike.
    void noDatabaseIsMadeUnasked_data() {
        QTest::addColumn<QStringList>("args");
        QTest::newRow("serving") << QStringList{"--port", "0"};
        QTest::newRow("adding a token") << QStringList{"--add-token", "ci", "--role", "viewer"};
        QTest::newRow("listing pending names") << QStringList{"--list-pending"};
    }
    void noDatabaseIsMadeUnasked() {
        QFETCH(QStringList, args);
        QTemporaryDir data;
        const QString db = data.filePath("server.sqlite");
        const auto [code, output, complaint] = runServerAction(QStringList{"--database", db} + args);
        QCOMPARE(code, 1);
        QVERIFY2(complaint.contains("no database there") && complaint.contains("--new-database"),
                 qPrintable(complaint));
        QVERIFY(!QFileInfo::exists(db));
    }

    // What a new name meets under the policy given to the built server, and without one.
    void enrolmentPolicyFromTheCommandLine_data() {
        QTest::addColumn<QStringList>("policy");
        QTest::addColumn<int>("status");
        QTest::addColumn<bool>("keyed");
        QTest::newRow("none given: approve") << QStringList() << 200 << false;
        QTest::newRow("open") << QStringList{"--enrol", "open"} << 200 << true;
        QTest::newRow("approve") << QStringList{"--enrol", "approve"} << 200 << false;
        QTest::newRow("closed") << QStringList{"--enrol", "closed"} << 403 << false;
    }
    void enrolmentPolicyFromTheCommandLine() {
        QFETCH(QStringList, policy);
        QFETCH(int, status);
        QFETCH(bool, keyed);
        QTemporaryDir data;
        BuiltServer server;
        const Result<> started = server.start(
            QStringList{"--database", data.filePath("server.sqlite"), "--new-database", "--port", "0"} +
            policy);
        QVERIFY2(started, qPrintable(started.reason()));
        const auto asked =
            testsupport::postForm(QUrl(server.endpoint()), wire::settingsRequestBody("NEW-PC").toUtf8());
        QCOMPARE(asked.status, status);
        QCOMPARE(asked.header(wire::kAgentKeyHeader).size(), keyed ? 64 : 0);
    }

    // The enrolment actions work on the database of a running server and end at once.
    void operatorActions() {
        RunningServer server;
        server.options.enrolment = server::EnrolmentPolicy::Approve;
        QCOMPARE(server.start(), QString());
        QCOMPARE(server.askSettings("NEW-PC").status, 200);
        const QStringList db{"--database", server.options.databaseFile};
        QCOMPARE(runServerAction(db + QStringList{"--list-pending"}).out.section('\t', 0, 0), "NEW-PC");
        QCOMPARE(runServerAction(db + QStringList{"--approve", "NEW-PC"}).code, 0);
        QCOMPARE(runServerAction(db + QStringList{"--list-pending"}).out, QString());
        QCOMPARE(server.enrol("NEW-PC").size(), 64);
        QCOMPARE(runServerAction(db + QStringList{"--allow-keyless", "NEW-PC"}).code, 0);
        QCOMPARE(server.askSettings("NEW-PC").status, 200);
        QCOMPARE(runServerAction(db + QStringList{"--require-key", "NEW-PC"}).code, 0);
        QCOMPARE(server.askSettings("NEW-PC").status, 401);
        QCOMPARE(runServerAction(db + QStringList{"--reset-key", "NEW-PC"}).code, 0);
        QCOMPARE(server.enrol("NEW-PC"), QByteArray()); // pending again under approve
    }
};

QTEST_GUILESS_MAIN(TestServerCommandLine)
#include "TestServerCommandLine.moc"
