// The built agent run as a service (--service) against the built central server: its output is the status
// log line by line, it stops cleanly and quickly on SIGTERM wherever it is, and it never needs a desktop.
#include "support/BuiltPrograms.h"
#include "support/BuiltServer.h"
#include "support/LoopbackResponder.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QtTest>

class TestServiceRun : public QObject {
    Q_OBJECT

    QTemporaryDir work;
    BuiltServer builtServer;
    QString serverUrl;
    LoopbackResponder silent; // takes requests and never answers
    QString agentCopy;        // beside it the name file, which each test writes or removes

    // No display at all, and a platform that would abort a program that tried to open a window.
    void startService(QProcess& agent, const QString& timeUrl) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY"})
            environment.remove(name);
        environment.insert("QT_QPA_PLATFORM", "xcb");
        agent.setProcessEnvironment(environment);
        agent.start(agentCopy, {"--service", "--server-url", serverUrl, "--time-url", timeUrl, "--update-url",
                                "http://127.0.0.1:9/u"});
        QVERIFY2(agent.waitForStarted(), qPrintable(agent.errorString()));
    }
    void writeNameFile(const QByteArray& name) {
        QFile file(work.filePath("kova.ini"));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(name) == name.size());
    }

private slots:
    void initTestCase() {
        agentCopy = copyBuiltAgent(work.path());
        QVERIFY(!agentCopy.isEmpty());
        const Result<> started = builtServer.start(
            {"--port", "0", "--database", work.filePath("db"), "--new-database", "--enrol", "open"});
        QVERIFY2(started, qPrintable(started.reason()));
        serverUrl = builtServer.endpoint();
    }
    void cleanupTestCase() { builtServer.kill(); }
    void init() { QFile::remove(work.filePath("kova.ini")); }

    // SIGTERM between cycles, and while start-up waits for a time page that never answers: the agent says
    // it stops and ends with 0 well within the service manager's patience.
    void stopsOnSigterm_data() {
        QTest::addColumn<bool>("timePageAnswers");
        QTest::addColumn<QString>("before"); // a pattern the output holds before the signal is sent
        QTest::newRow("between cycles") << true
                                        << "^Loading...\n(.*\n)?Download successful.\n.*"
                                           "Transmission successful! \\(";
        QTest::newRow("waiting for the time page") << false << "^Loading...\n$";
    }
    void stopsOnSigterm() {
        QFETCH(bool, timePageAnswers);
        QFETCH(QString, before);
        writeNameFile("SRV01");
        const qsizetype asked = silent.requests().size();
        QProcess agent;
        startService(agent, timePageAnswers ? "http://127.0.0.1:9/t" : silent.url("/t").toString());
        QString out;
        const QRegularExpression ready(before, QRegularExpression::DotMatchesEverythingOption);
        QTRY_VERIFY_WITH_TIMEOUT((out += QString::fromUtf8(agent.readAllStandardOutput())).contains(ready) &&
                                     (timePageAnswers || silent.requests().size() > asked),
                                 30000);

        QElapsedTimer stopping;
        stopping.start();
        agent.terminate();
        QTRY_VERIFY_WITH_TIMEOUT(agent.state() == QProcess::NotRunning, 10000);
        qInfo("ended %lld ms after SIGTERM", static_cast<long long>(stopping.elapsed()));
        QVERIFY(stopping.elapsed() < 5000);
        out += QString::fromUtf8(agent.readAllStandardOutput());
        QVERIFY2(agent.exitStatus() == QProcess::NormalExit && agent.exitCode() == 0, qPrintable(out));
        QVERIFY2(out.endsWith("KOVA Oru stops (SIGTERM).\n"), qPrintable(out));
        QCOMPARE(agent.readAllStandardError(), QByteArray());
    }

    // What a window would ask or show is a line on standard output and an exit code the unit acts on.
    void endsWithoutAReadableName_data() {
        QTest::addColumn<bool>("nameIsFolder");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("printed");
        QTest::newRow("missing") << false << 6
                                 << "This computer has no name yet: " + work.filePath("kova.ini");
        QTest::newRow("unreadable") << true << 2 << "KOVA Oru Web: KOVA Oru cannot read this computer's name";
    }
    void endsWithoutAReadableName() {
        QFETCH(bool, nameIsFolder);
        QFETCH(int, code);
        QFETCH(QString, printed);
        QVERIFY(!nameIsFolder || QDir(work.path()).mkdir("kova.ini"));
        QProcess agent;
        startService(agent, "http://127.0.0.1:9/t");
        QVERIFY(agent.waitForFinished(15000));
        QDir(work.path()).rmdir("kova.ini");
        const QString out = QString::fromUtf8(agent.readAllStandardOutput());
        QVERIFY2(agent.exitStatus() == QProcess::NormalExit && agent.exitCode() == code, qPrintable(out));
        QVERIFY2(out.startsWith(printed), qPrintable(out));
        QCOMPARE(agent.readAllStandardError(), QByteArray());
    }
};

QTEST_GUILESS_MAIN(TestServiceRun)
#include "TestServiceRun.moc"
