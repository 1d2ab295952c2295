// The built agent run once from the command line against the built central server, over HTTPS with a
// certificate made here: its exit code tells whether the exchange worked.
#include "support/LoopbackResponder.h"
#include "support/SelfSignedCertificate.h"
#include "support/TestDatabase.h"

#include <QProcess>
#include <QtTest>

class TestOnceRun : public QObject {
    Q_OBJECT

    QTemporaryDir work;
    std::optional<SelfSignedCertificate> certificate;
    QProcess builtServer;
    QString serverUrl;
    LoopbackResponder noSettings; // empty settings replies; takes the report the update step sends
    QString agentCopy;            // beside it the name file, which each row writes or removes

private slots:
    void initTestCase() {
        const QFileInfo built(qEnvironmentVariable("KOVA_AGENT_EXE"));
        for (const QString& name :
             {built.fileName(), QStringLiteral("CheckMark.gif"), QStringLiteral("XMark.gif")})
            QVERIFY(QFile::copy(built.absoluteDir().filePath(name), work.filePath(name)));
        agentCopy = work.filePath(built.fileName());
        QString error;
        certificate = SelfSignedCertificate::create(work.path(), &error);
        QVERIFY2(certificate, qPrintable(error));
        noSettings.serve(
            {Answer::http(200, {}), Answer::http(200, {}), Answer::http(200, "Report received.")});
        builtServer.start(qEnvironmentVariable("KOVA_SERVER_EXE"),
                          {"--port", "0", "--database", testdb::fresh(work, "db"), "--tls-cert",
                           certificate->certificatePath, "--tls-key", certificate->keyPath});
        QVERIFY(builtServer.waitForReadyRead(15000));
        const QString line = QString::fromUtf8(builtServer.readLine()).trimmed(); // says where it listens
        QVERIFY2(line.startsWith("listening on https://127.0.0.1:"), qPrintable(line));
        serverUrl = line.section(' ', 2) + "/kova-oru/process_servers.asp";
    }
    void cleanupTestCase() {
        builtServer.kill();
        builtServer.waitForFinished();
    }

    void exitCode_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<bool>("nameFile");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("printed"); // a pattern
        const QString reported = "Download successful.\n.*Transmission successful! \\(";
        const QString unreachable = "\\(Get\\).\nNO INTERNET CONNECTION.  WILL RETRY.";
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
            1, unreachable + ".*Transmission successful! \\(");
        row("no name file", {"--once", "--server-url", serverUrl, "--ca-file", ca}, false, 2, "kova.ini");
    }
    void exitCode() {
        QFETCH(QStringList, arguments);
        QFETCH(bool, nameFile);
        QFETCH(int, code);
        QFETCH(QString, printed);
        QProcess agent;
        agent.setProcessChannelMode(QProcess::MergedChannels);
        QFile::remove(work.filePath("kova.ini"));
        QFile name(work.filePath("kova.ini"));
        QVERIFY(!nameFile || (name.open(QIODevice::WriteOnly) && name.write("SRV01") == 5 && name.flush()));
        agent.start(agentCopy, arguments);
        // The servers answer on this thread: wait with the event loop running.
        QTRY_VERIFY_WITH_TIMEOUT(agent.state() == QProcess::NotRunning, 60000);

        const QString out = QString::fromLocal8Bit(agent.readAll());
        QVERIFY2(agent.exitStatus() == QProcess::NormalExit && agent.exitCode() == code, qPrintable(out));
        QVERIFY2(out.contains(QRegularExpression(printed, QRegularExpression::DotMatchesEverythingOption)),
                 qPrintable(out));
    }
};

QTEST_GUILESS_MAIN(TestOnceRun)
#include "TestOnceRun.moc"
