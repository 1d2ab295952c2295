#include "modules/SelfUpdate.h"
#include "platform/ExecutableFolder.h"
#include "support/FakeLauncher.h"

#include <QTemporaryDir>
#include <QTest>

using mdlGeneral::CheckForUpgrade;
using mdlGeneral::DownloadResult;
using mdlGeneral::UpgradeOutcome;

namespace {

const QString kUrl = "http://127.0.0.1:8080/kova-oru/updates/KOVA_Oru.exe";

QByteArray contents(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The update server as the download step sees it: a status, a body, perhaps a transfer error.
struct FakeUpdateServer {
    int status = 200;
    QByteArray body;
    QString errorText;
    int requests = 0;

    DownloadResult serve(const QString& url, const QString& targetFile) {
        ++requests;
        QFile file(targetFile);
        if (url != kUrl || !file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return {0, "cannot write " + targetFile};
        file.write(body);
        return {status, errorText};
    }
};

} // namespace

class TestSelfUpdate : public QObject {
    Q_OBJECT

    std::optional<QTemporaryDir> folder;
    FakeUpdateServer server;
    FakeLauncher launcher;
    QStringList log;
    int exits = 0;
    const QByteArray installed = contents("/bin/true");
    const QByteArray running = contents("/bin/false");
    const QByteArray published = contents("/bin/echo");

    QString path(const QString& name) const { return folder->filePath(name); }

    UpgradeOutcome update() {
        platform::ScopedFake<platform::Launcher> fake(launcher);
        return CheckForUpgrade(
            kUrl, [this](const QString& url, const QString& target) { return server.serve(url, target); },
            [this](const QString& line) { log << line; }, [this] { ++exits; });
    }

    void verifyNothingReplaced() {
        QCOMPARE(contents(path("KOVA Oru")), installed);
        QVERIFY(!QFile::exists(path("KOVA Oru.download")));
        QVERIFY(launcher.starts.isEmpty());
        QCOMPARE(exits, 0);
    }

private slots:
    void initTestCase() {
        QVERIFY(!installed.isEmpty() && !running.isEmpty() && !published.isEmpty());
        QVERIFY(installed != running && installed != published && running != published);
    }

    void init() {
        folder.emplace();
        QVERIFY(QFile::copy("/bin/true", path("KOVA Oru")));
        QVERIFY(QFile::copy("/bin/false", path("running agent")));
        platform::setExecutableFolderOverride(folder->path());
        platform::setRunningExecutableOverride(path("running agent"));
        server = FakeUpdateServer{200, published, {}, 0};
        launcher = FakeLauncher();
        log.clear();
        exits = 0;
    }

    void cleanup() {
        platform::setExecutableFolderOverride(std::nullopt);
        platform::setRunningExecutableOverride(std::nullopt);
    }

    void replacesAndRestarts() {
        QCOMPARE(update(), UpgradeOutcome::Restarted);
        QCOMPARE(contents(path("KOVA Oru")), published);
        QCOMPARE(contents(path("KOVA Oru.bak")), installed);
        const QFile::Permissions anyoneRuns = QFile::ExeOwner | QFile::ExeGroup | QFile::ExeOther;
        QCOMPARE(QFile::permissions(path("KOVA Oru")) & anyoneRuns, anyoneRuns);
        QVERIFY(!QFile::exists(path("KOVA Oru.download")));
        QCOMPARE(launcher.starts, (QList<FakeLauncher::Start>{{path("KOVA Oru"), {}, false}}));
        QCOMPARE(exits, 1);
        QVERIFY(log.isEmpty());
    }

    void twoUpdatesKeepOnlyThePreviousAsBackup() {
        QCOMPARE(update(), UpgradeOutcome::Restarted);
        const QByteArray second = contents("/bin/ls");
        server.body = second;
        QCOMPARE(update(), UpgradeOutcome::Restarted);
        QCOMPARE(contents(path("KOVA Oru")), second);
        QCOMPARE(contents(path("KOVA Oru.bak")), published);
        QCOMPARE(exits, 2);
    }

    void createsTheExecutableWhenNoneIsThere() {
        QVERIFY(QFile::remove(path("KOVA Oru")));
        QCOMPARE(update(), UpgradeOutcome::Restarted);
        QCOMPARE(contents(path("KOVA Oru")), published);
        QVERIFY(!QFile::exists(path("KOVA Oru.bak")));
    }

    void refusesWhatIsNoProgram_data() {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("errorText");
        QTest::addColumn<UpgradeOutcome>("outcome");
        QTest::addColumn<QString>("line");
        const QByteArray html = "<html><body>Not Found</body></html>";
        QTest::newRow("not found") << 404 << html << "Not Found" << UpgradeOutcome::Refused
                                   << "Update refused: the update server answered HTTP 404.";
        QTest::newRow("empty body") << 200 << QByteArray() << "" << UpgradeOutcome::Refused
                                    << "Update refused: the download is empty.";
        QTest::newRow("an HTML page") << 200 << html << "" << UpgradeOutcome::Refused
                                      << "Update refused: the download is not a program for this system.";
        QTest::newRow("transfer broken off")
            << 200 << published.left(4096) << "Connection closed" << UpgradeOutcome::Failed
            << "Update failed: the download did not complete (Connection closed).";
        QTest::newRow("no server") << 0 << QByteArray() << "Connection refused" << UpgradeOutcome::Failed
                                   << "Update failed: the download did not complete (Connection refused).";
    }
    void refusesWhatIsNoProgram() {
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        QFETCH(QString, errorText);
        QFETCH(UpgradeOutcome, outcome);
        QFETCH(QString, line);
        server = FakeUpdateServer{status, body, errorText, 0};
        QCOMPARE(update(), outcome);
        QCOMPARE(log, QStringList{line});
        QVERIFY(!QFile::exists(path("KOVA Oru.bak")));
        verifyNothingReplaced();
    }

    void runningProgramIsUpToDate() {
        server.body = running;
        QCOMPARE(update(), UpgradeOutcome::UpToDate);
        QCOMPARE(log, QStringList{"KOVA Oru is up to date."});
        verifyNothingReplaced();
    }

    // Root writes into read-only folders, so a folder path that names a file stands in for an unwritable one.
    void unwritableFolderFetchesNothing() {
        platform::setExecutableFolderOverride(path("KOVA Oru"));
        QCOMPARE(update(), UpgradeOutcome::Failed);
        QCOMPARE(server.requests, 0);
        QCOMPARE(log.size(), 1);
        QVERIFY2(log.first().startsWith("Update failed: cannot write "), qPrintable(log.first()));
        verifyNothingReplaced();
    }

    void undeletableBackupReplacesNothing() {
        QVERIFY(QDir(folder->path()).mkpath("KOVA Oru.bak/kept"));
        QCOMPARE(update(), UpgradeOutcome::Failed);
        QCOMPARE(log.size(), 1);
        QVERIFY2(log.first().startsWith("Update failed: the old backup "), qPrintable(log.first()));
        verifyNothingReplaced();
    }

    void failedStartKeepsTheNewProgram() {
        launcher.refuse = true;
        QCOMPARE(update(), UpgradeOutcome::Failed);
        QCOMPARE(contents(path("KOVA Oru")), published);
        QCOMPARE(contents(path("KOVA Oru.bak")), installed);
        QCOMPARE(log, QStringList{"Update failed: the new " + path("KOVA Oru") +
                                  " could not be started (no such program)."});
        QCOMPARE(exits, 0);
    }
};

QTEST_GUILESS_MAIN(TestSelfUpdate)
#include "TestSelfUpdate.moc"
