#include "modules/SelfUpdate.h"
#include "platform/ExecutableFolder.h"
#include "support/FakeLauncher.h"

#include <QTemporaryDir>
#include <QTest>

using mdlGeneral::UpgradeOutcome;

namespace {

const QString kUrl = "http://127.0.0.1:8080/kova-oru/updates/KOVA_Oru.exe";

QByteArray contents(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

// Programs stand in for the agent's versions: "true" is installed, "false" runs, "echo" is published.
class TestSelfUpdate : public QObject {
    Q_OBJECT

    std::optional<QTemporaryDir> folder;
    mdlGeneral::DownloadResult answer; // the update server's, with the body below
    QByteArray published;
    int requests = 0;
    FakeLauncher launcher;
    QStringList log;
    int exits = 0;

    QString path(const QString& name) const { return folder->filePath(name); }

    UpgradeOutcome update() {
        platform::ScopedFake<platform::Launcher> fake(launcher);
        return mdlGeneral::CheckForUpgrade(
            kUrl,
            [this](const QString& url, const QString& target) {
                ++requests;
                QFile file(target);
                if (url == kUrl && file.open(QIODevice::WriteOnly))
                    file.write(published);
                return answer;
            },
            [this](const QString& line) { log << QString(line).replace(folder->path(), "@"); },
            [this] { ++exits; });
    }

    // Which program a file of the folder is a copy of ("-" when there is none, "?" when it is no copy).
    QString copyOf(const QString& name) {
        for (const char* program : {"true", "false", "echo", "ls"}) {
            if (contents(path(name)) == contents(QStringLiteral("/bin/") + program))
                return program;
        }
        return QFile::exists(path(name)) ? "?" : "-";
    }
    // Runs the update and tells what came of it: the log, the folder, the programs started and the exits.
    QString updateOutcome() {
        update();
        return QStringLiteral("%1 | program %2, backup %3, started %4, exits %5")
            .arg(log.join(" / "), copyOf("KOVA Oru"), copyOf("KOVA Oru.bak"))
            .arg(launcher.starts.size())
            .arg(exits);
    }

private slots:
    void init() {
        folder.emplace();
        QVERIFY(QFile::copy("/bin/true", path("KOVA Oru")));
        QVERIFY(QFile::copy("/bin/false", path("running agent")));
        platform::setExecutableFolderOverride(folder->path());
        platform::setRunningExecutableOverride(path("running agent"));
        answer = {200, {}};
        published = contents("/bin/echo");
        requests = exits = 0;
        launcher = FakeLauncher();
        log.clear();
    }
    void cleanup() {
        platform::setExecutableFolderOverride(std::nullopt);
        platform::setRunningExecutableOverride(std::nullopt);
    }

    void outcomes_data() {
        QTest::addColumn<QString>("setup");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("outcome");
        const QByteArray html = "<html><body>Not Found</body></html>";
        const QByteArray echo = contents("/bin/echo");
        const QString kept = " | program true, backup -, started 0, exits 0";
        QTest::newRow("replaced") << "" << echo << " | program echo, backup true, started 1, exits 1";
        QTest::newRow("no program yet")
            << "no program" << echo << " | program echo, backup -, started 1, exits 1";
        QTest::newRow("404") << "404" << html
                             << "Update refused: the update server answered HTTP 404." + kept;
        QTest::newRow("empty body") << "" << QByteArray() << "Update refused: the download is empty." + kept;
        QTest::newRow("HTML page") << "" << html
                                   << "Update refused: the download is not a program for this system." + kept;
        QTest::newRow("broken off") << "connection closed" << echo.left(4096)
                                    << "Update failed: the download did not complete (Connection closed)." +
                                           kept;
        QTest::newRow("the running program again")
            << "" << contents("/bin/false") << "KOVA Oru is up to date." + kept;
        // Root writes into read-only folders, so a folder path that names a file stands in for one.
        QTest::newRow("unwritable folder")
            << "unwritable" << echo
            << "Update failed: cannot write @/KOVA Oru/KOVA Oru.download (Not a directory)." + kept;
        QTest::newRow("old backup cannot go") << "backup folder" << echo
                                              << "Update failed: the old backup @/KOVA Oru.bak could not be "
                                                 "deleted (Is a directory). | program "
                                                 "true, backup ?, started 0, exits 0";
        QTest::newRow("new program does not start")
            << "start refused" << echo
            << "Update failed: the new @/KOVA Oru could not be started (no such program). | program echo, "
               "backup true, started 1, exits 0";
    }
    void outcomes() {
        QFETCH(QString, setup);
        QFETCH(QByteArray, body);
        QFETCH(QString, outcome);
        answer = {setup == "404" ? 404 : 200, setup == "connection closed" ? "Connection closed" : ""};
        published = body;
        if (setup == "no program")
            QVERIFY(QFile::remove(path("KOVA Oru")));
        if (setup == "backup folder")
            QVERIFY(QDir(folder->path()).mkpath("KOVA Oru.bak/kept"));
        if (setup == "unwritable")
            platform::setExecutableFolderOverride(path("KOVA Oru"));
        launcher.refuse = setup == "start refused";
        QCOMPARE(updateOutcome(), outcome);
        QVERIFY(!QFile::exists(path("KOVA Oru.download")));
        QCOMPARE(requests, setup == "unwritable" ? 0 : 1); // an unwritable folder shows before the download
    }

    void replacedProgramIsStartedAndRunnable() {
        QCOMPARE(update(), UpgradeOutcome::Restarted);
        QCOMPARE(launcher.starts, (QList<FakeLauncher::Start>{{path("KOVA Oru"), {}, false}}));
        const QFile::Permissions anyoneRuns = QFile::ExeOwner | QFile::ExeGroup | QFile::ExeOther;
        QCOMPARE(QFile::permissions(path("KOVA Oru")) & anyoneRuns, anyoneRuns);
        published = contents("/bin/ls"); // a second update keeps only the program it replaces
        QCOMPARE(updateOutcome(), " | program ls, backup echo, started 2, exits 2");
    }
};

QTEST_GUILESS_MAIN(TestSelfUpdate)
#include "TestSelfUpdate.moc"
