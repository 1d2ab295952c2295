// The Windows build of the agent, run under wine against the built central server on loopback: what an
// administrator's machine does with it, as far as wine can show. Wine maps the root of this machine to
// drive Z:, so a folder made here is a drive-letter folder to the agent.
#include "Endpoints.h"
#include "modules/LocalDateTime.h"
#include "support/BuiltServer.h"
#include "support/FileBytes.h"
#include "support/TestDatabase.h"

#include <QDirIterator>
#include <QProcess>
#include <QtTest>

namespace {

const QString kDeadAddress = QStringLiteral("http://127.0.0.1:9/");

struct Run {
    int code = -1;
    QString output;
};

QString windowsPath(QString path) {
    return QStringLiteral("Z:") + path.replace(u'/', u'\\');
}

// The Windows build's folder as installed: the agent, its libraries, plugins and pictures; no test program.
bool copyWindowsAgent(const QString& from, const QString& to) {
    QDirIterator files(from, QDir::Files, QDirIterator::Subdirectories);
    while (files.hasNext()) {
        const QString source = files.next();
        const QString relative = QDir(from).relativeFilePath(source);
        if (relative.startsWith(QLatin1String("Test")) || relative.startsWith(QLatin1String("Qt6Test")))
            continue;
        QDir(to).mkpath(QFileInfo(relative).path());
        if (!QFile::copy(source, QDir(to).filePath(relative)))
            return false;
    }
    return true;
}

Run runUnderWine(const QString& program, const QStringList& arguments, int timeoutMs = 120000) {
    QProcess wine;
    wine.setProcessChannelMode(QProcess::MergedChannels);
    wine.start(QStringLiteral("wine"), QStringList{program} + arguments);
    if (!wine.waitForFinished(timeoutMs)) {
        wine.kill();
        wine.waitForFinished();
        return {-1, QStringLiteral("still running after %1 ms: ").arg(timeoutMs) + wine.readAll()};
    }
    return {wine.exitCode(), QString::fromUtf8(wine.readAll())};
}

} // namespace

class TestWindowsAgent : public QObject {
    Q_OBJECT

    QTemporaryDir work;
    BuiltServer server;
    QString database;
    QString agentFolder;
    QString agent;

    QVariant stored(const QString& sql) const { return testdb::value(database, sql); }
    bool change(const QString& sql) const { return testdb::execute(database, sql); }
    int reports() const { return stored("SELECT COUNT(*) FROM reports").toInt(); }

    Run once(const QStringList& extra = {}) {
        return runUnderWine(
            agent,
            QStringList{"--once", "--server-url", server.endpoint(), "--time-url", kDeadAddress + "t"} +
                (extra.contains("--update-url") ? extra
                                                : extra + QStringList{"--update-url", kDeadAddress + "u"}));
    }

private slots:
    void initTestCase() {
        agentFolder = work.filePath("Program Files/KOVA Oru");
        QVERIFY(copyWindowsAgent(qEnvironmentVariable("KOVA_WINDOWS_BIN"), agentFolder));
        agent = QDir(agentFolder).filePath("KOVA Oru.exe");
        QVERIFY(writeFileBytes(QDir(agentFolder).filePath("kova.ini"), "WINSRV"));
        QVERIFY(QDir(work.path()).mkpath("updates"));
        database = testdb::fresh(work, "db");
        // Its agent runs several times within seconds: no pause between its reports.
        const auto started =
            server.start({"--database", database, "--new-database", "--port", "0", "--enrol", "open",
                          "--updates", work.filePath("updates"), "--report-interval", "0"});
        QVERIFY2(started, qPrintable(started.reason()));
    }

    // Registered with wine's Service Control Manager as the MSI registers it: started, it reports and logs
    // to KOVA Oru.log beside the program; the stop control ends it with its last line, and the manager
    // hears that it stopped.
    void serviceStopsOnTheManagersControl() {
        QProcess holder; // wine's service manager lives only while some program of the prefix runs
        holder.start("wine", {"cmd.exe"});
        QVERIFY(holder.waitForStarted());
        const auto sc = [](const QStringList& arguments) { return runUnderWine("sc", arguments, 60000); };
        const QString binPath = QString("\"%1\" --service --server-url %2 --time-url %3t --update-url %3u")
                                    .arg(windowsPath(agent), server.endpoint(), kDeadAddress);
        QCOMPARE(sc({"create", "KovaOruTest", "binpath=", binPath}).code, 0);
        const int reportsBefore = reports();
        QVERIFY2(sc({"start", "KovaOruTest"}).output.contains("RUNNING"), "the service did not start");
        const QString log = QDir(agentFolder).filePath("KOVA Oru.log");
        QTRY_VERIFY_WITH_TIMEOUT(QString(fileBytes(log)).contains("Transmission successful!"), 60000);
        QCOMPARE(reports(), reportsBefore + 1);

        sc({"stop", "KovaOruTest"});
        QTRY_VERIFY_WITH_TIMEOUT(QString(fileBytes(log)).contains("KOVA Oru stops (service stop)."), 10000);
        QTRY_VERIFY_WITH_TIMEOUT(sc({"query", "KovaOruTest"}).output.contains("STOPPED"), 10000);
        QVERIFY(QRegularExpression("^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d  Loading")
                    .match(QString(fileBytes(log)))
                    .hasMatch());
        sc({"delete", "KovaOruTest"});
        holder.kill();
        holder.waitForFinished();
    }

    void versionAnswers() {
        const Run run = runUnderWine(agent, {"--version"}, 60000);
        QCOMPARE(run.code, 0);
        QVERIFY2(run.output.startsWith(QStringLiteral("KOVA Oru %1.%2.%3")
                                           .arg(KOVA_VERSION_MAJOR)
                                           .arg(KOVA_VERSION_MINOR)
                                           .arg(KOVA_VERSION_PATCH)),
                 qPrintable(run.output));
    }

    // Enrols at first contact, then counts a drive-letter folder the operator set and reports it with the
    // machine's drives and its Windows name.
    void reportsAFolderWithItsDriveLetter() {
        const Run first = once();
        QVERIFY2(first.code == 0, qPrintable(first.output));
        QDir watched(work.filePath("watched"));
        QVERIFY(watched.mkpath("."));
        for (int k = 0; k < 7; ++k)
            QVERIFY(writeFileBytes(watched.filePath(QString("file%1.txt").arg(k)), "x"));
        QVERIFY(change(QString("UPDATE computers SET \"Dir1\" = '%1', \"Alert1\" = '5' WHERE name = 'WINSRV'")
                           .arg(windowsPath(watched.path()))));

        const Run second = once();
        QVERIFY2(second.code == 0, qPrintable(second.output));
        const auto latest = [this](const QString& key) {
            return stored(QString("SELECT \"%1\" FROM reports WHERE \"sComputerName\" = 'WINSRV' "
                                  "ORDER BY id DESC LIMIT 1")
                              .arg(key))
                .toString();
        };
        QCOMPARE(latest("sDir1"), windowsPath(watched.path()));
        QCOMPARE(latest("sCount1"), QString("7"));
        QVERIFY2(latest("sOS").startsWith("Microsoft Windows"), qPrintable(latest("sOS")));
        QVERIFY2(QRegularExpression("^[A-Z]:\\\\$").match(latest("sDisk1")).hasMatch(),
                 qPrintable(latest("sDisk1")));
        QVERIFY2(latest("sDiskSpace1").toDouble() > 0, qPrintable(latest("sDiskSpace1")));
    }

    // A signed build published on the server: the running KOVA Oru.exe is renamed to KOVA Oru.bak, the new
    // one takes its name, is started with the same arguments and, running the published program, stops there.
    void selfUpdateRenamesTheRunningProgram() {
        const QString signingKey = qEnvironmentVariable("KOVA_UPDATE_SIGNING_KEY");
        if (!QFileInfo::exists(signingKey))
            QSKIP("no update signing key for this build (KOVA_UPDATE_SIGNING_KEY)");
        const QByteArray running = fileBytes(agent);
        const QByteArray published = running + "another build"; // runs alike: the tail is never loaded
        const QString publishedPath = work.filePath("updates/KOVA_Oru.exe");
        QVERIFY(writeFileBytes(publishedPath, published));
        QProcess sign;
        sign.start(qEnvironmentVariable("KOVA_SIGN_EXE"), {"sign", signingKey, publishedPath});
        QVERIFY(sign.waitForFinished(30000) && sign.exitCode() == 0);
        // An operator makes the update due, in the form the agent reads.
        QVERIFY(change(QString("UPDATE computers SET \"CheckUpdate\" = '%1' WHERE name = 'WINSRV'")
                           .arg(formatGeneralDateTime(QDateTime::currentDateTime().addDays(-1)))));
        const QStringList arguments{"--update-url", server.url + wire::kUpdatePath};
        const Run updating = once(arguments);
        const int reportsAfterUpdate = reports();
        QVERIFY2(updating.output.contains("Update installed"), qPrintable(updating.output));
        QCOMPARE(fileBytes(agent), published);
        QCOMPARE(fileBytes(QDir(agentFolder).filePath("KOVA Oru.bak")), running);

        // The restarted program runs its own cycle with the same arguments: one more report, then no more.
        QTRY_VERIFY_WITH_TIMEOUT(reports() == reportsAfterUpdate + 1, 90000);
        QTest::qWait(5000);
        QCOMPARE(reports(), reportsAfterUpdate + 1);
        QCOMPARE(fileBytes(agent), published);
        QCOMPARE(fileBytes(QDir(agentFolder).filePath("KOVA Oru.bak")), running);
        QVERIFY(!QFileInfo::exists(QDir(agentFolder).filePath("KOVA Oru.download")));
    }
};

QTEST_GUILESS_MAIN(TestWindowsAgent)
#include "TestWindowsAgent.moc"
