// The built agent run once from the command line against the built central server, over HTTPS with a
// certificate made here: its exit code tells whether the exchange worked, and how it enrols.
#include "support/BuiltPrograms.h"
#include "support/BuiltServer.h"
#include "support/LoopbackResponder.h"
#include "support/SelfSignedCertificate.h"
#include "support/SettingsReply.h"
#include "support/TestDatabase.h"

#include <QProcess>
#include <QtTest>
#include <sys/stat.h>

namespace {

struct Run {
    int code = -1;
    QString output;
};

QByteArray contents(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestOnceRun : public QObject {
    Q_OBJECT

    QTemporaryDir work;
    std::optional<SelfSignedCertificate> certificate;
    BuiltServer builtServer;
    QString serverUrl;
    BuiltServer approvingServer; // on its own database, new names wait for the operator
    QString approvingDatabase;   // a SQLite file, or a PostgreSQL database in the stack test
    QString approvingUrl;
    LoopbackResponder noSettings;     // empty settings replies; takes the report the update step sends
    LoopbackResponder refusesReports; // whole settings, then a server error for every report
    QString agentCopy;                // beside it the name file, which each row writes or removes

private slots:
    void initTestCase() {
        agentCopy = copyBuiltAgent(work.path());
        QVERIFY(!agentCopy.isEmpty());
        QString error;
        certificate = SelfSignedCertificate::create(work.path(), &error);
        QVERIFY2(certificate, qPrintable(error));
        noSettings.serve(
            {Answer::http(200, {}), Answer::http(200, {}), Answer::http(200, "Report received.")});
        refusesReports.serve({Answer::http(200, settingsReply()), Answer::http(200, settingsReply()),
                              Answer::http(500, "database down")});
        serverUrl = startServer(
            builtServer, {"--database", testdb::fresh(work, "db"), "--new-database", "--enrol", "open"});
        approvingDatabase = testdb::fresh(work, "db2");
        // Its agent runs several times within seconds: no pause between reports.
        approvingUrl = startServer(
            approvingServer, {"--database", approvingDatabase, "--new-database", "--report-interval", "0"});
        QVERIFY(!serverUrl.isEmpty() && !approvingUrl.isEmpty());
    }

    void exitCode_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<bool>("nameFile");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("printed"); // a pattern
        const QString reported = "Download successful.\n.*Transmission successful! \\(";
        const QString unreachable = "\\(Get\\).\nNO INTERNET CONNECTION.  WILL RETRY.";
        // Answered without settings, as while waiting for approval: the fingerprint to compare is shown.
        const QString noSettingsGiven =
            "\\(Get\\).\nKey fingerprint: [0-9a-f]{4}(-[0-9a-f]{4}){3}\nNO INTERNET CONNECTION.  WILL RETRY.";
        const auto row = [](const char* name, const QStringList& arguments, bool nameFile, int code,
                            const QString& printed) {
            // Neither the clock nor the program may be touched by a test run.
            QTest::newRow(name) << arguments + QStringList{"--time-url", "http://127.0.0.1:9/t",
                                                           "--update-url", "http://127.0.0.1:9/u"}
                                << nameFile << code << printed;
        };
        const QString ca = certificate->certificatePath;
        row("server answers", {"--once", "--server-url", serverUrl, "--ca-file", ca}, true, 0, reported);
        row("certificate not trusted", {"--once", "--server-url", serverUrl}, true, 1, unreachable);
        row("report delivered, settings not", {"--once", "--server-url", noSettings.url().toString()}, true,
            1, noSettingsGiven + ".*Transmission successful! \\(");
        row("report refused", {"--once", "--server-url", refusesReports.url().toString()}, true, 1,
            "Download successful.\n.*Transmission failed: the KOVA Server answered HTTP 500 \\(\"database "
            "down\"\\)\\.");
        row("no name file", {"--once", "--server-url", serverUrl, "--ca-file", ca}, false, 2, "kova.ini");
    }
    void exitCode() {
        QFETCH(QStringList, arguments);
        QFETCH(bool, nameFile);
        QFETCH(int, code);
        QFETCH(QString, printed);
        QFile::remove(work.filePath("kova.ini"));
        QVERIFY(!nameFile || writeName("SRV01"));
        const Run agent = runAgent(arguments);
        QVERIFY2(agent.code == code, qPrintable(agent.output));
        QVERIFY2(agent.output.contains(
                     QRegularExpression(printed, QRegularExpression::DotMatchesEverythingOption)),
                 qPrintable(agent.output));
    }

    // Under approve the agent waits (a failed download) until the operator approves, then runs; the
    // fingerprint it prints is the one the operator is shown; its key file is made before the first request,
    // is private and survives restarts; after a reset it enrols again with the same key.
    void enrolsWhenApproved() {
        QFile::remove(work.filePath("kova.key"));
        QVERIFY(writeName("SRV02"));
        const QStringList db{"--database", approvingDatabase};
        const auto run = [&] {
            return runAgent({"--once", "--server-url", approvingUrl, "--ca-file",
                             certificate->certificatePath, "--time-url", "http://127.0.0.1:9/t",
                             "--update-url", "http://127.0.0.1:9/u"});
        };
        const auto once = [&] { return run().code; };
        const auto pendingFingerprint = [&] {
            const QStringList pending = runServerAction(db + QStringList{"--list-pending"}).out.split('\t');
            return pending.value(0) == "SRV02" ? pending.value(3).trimmed() : QString();
        };
        const Run waiting = run();
        QCOMPARE(waiting.code, 1);
        const QRegularExpression printed("Key fingerprint: ([0-9a-f]{4}(-[0-9a-f]{4}){3})\n");
        QVERIFY2(printed.match(waiting.output).hasMatch(), qPrintable(waiting.output));
        QCOMPARE(pendingFingerprint(), printed.match(waiting.output).captured(1));
        QCOMPARE(runServerAction(db + QStringList{"--approve", "SRV02"}).code, 0);
        QCOMPARE(once(), 0);
        const QString keyFile = work.filePath("kova.key");
        const QByteArray key = contents(keyFile);
        QCOMPARE(key.size(), 64);
        struct stat status {};
        QVERIFY(::stat(QFile::encodeName(keyFile).constData(), &status) == 0);
        QCOMPARE(status.st_mode & 0777, mode_t(0600));

        QCOMPARE(once(), 0); // a restart uses the stored key
        QCOMPARE(contents(keyFile), key);

        QCOMPARE(runServerAction(db + QStringList{"--reset-key", "SRV02"}).code, 0);
        const Run again = run();
        QCOMPARE(again.code, 1); // pending again, with the key it holds
        QCOMPARE(pendingFingerprint(), printed.match(again.output).captured(1));
        QCOMPARE(runServerAction(db + QStringList{"--approve", "SRV02"}).code, 0);
        const Run approved = run();
        QVERIFY2(approved.code == 0, qPrintable(approved.output));
        QCOMPARE(contents(keyFile), key);
    }

private:
    // Starts the built server with `arguments` on a free port over HTTPS; returns its endpoint's address.
    QString startServer(BuiltServer& server, const QStringList& arguments) {
        const Result<> started =
            server.start(arguments + QStringList{"--port", "0", "--tls-cert", certificate->certificatePath,
                                                 "--tls-key", certificate->keyPath});
        if (!started || !server.url.startsWith("https://127.0.0.1:"))
            return {};
        return server.endpoint();
    }

    bool writeName(const QByteArray& computer) {
        QFile name(work.filePath("kova.ini"));
        return name.open(QIODevice::WriteOnly) && name.write(computer) == computer.size() && name.flush();
    }

    Run runAgent(const QStringList& arguments) {
        QProcess agent;
        agent.setProcessChannelMode(QProcess::MergedChannels);
        agent.start(agentCopy, arguments);
        // The servers answer on this thread: wait with the event loop running.
        [&] { QTRY_VERIFY_WITH_TIMEOUT(agent.state() == QProcess::NotRunning, 60000); }();
        const QString out = QString::fromLocal8Bit(agent.readAll());
        return {agent.exitStatus() == QProcess::NormalExit ? agent.exitCode() : -1, out};
    }
};

QTEST_GUILESS_MAIN(TestOnceRun)
#include "TestOnceRun.moc"
