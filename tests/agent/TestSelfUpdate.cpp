#include "modules/SelfUpdate.h"
#include "support/FakeLauncher.h"
#include "support/PlatformFakes.h"
#include "support/PosixOnly.h"

#include <QTemporaryDir>
#include <QTest>

static QByteArray contents(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Programs stand in for the agent's versions: "true" is installed, "false" runs, "echo" is published.
class TestSelfUpdate : public QObject {
    Q_OBJECT

    std::optional<QTemporaryDir> folder;
    FakeLauncher launcher;
    std::optional<FakeExecutableLocation> location;
    std::optional<platform::ScopedFake<platform::ExecutableLocation>> locationFake;

    QString path(const QString& name) const { return folder->filePath(name); }

    // Which program a file of the folder is a copy of ("-" when there is none, "?" when it is no copy).
    QString copyOf(const QString& name) const {
        for (const char* program : {"true", "false", "echo", "ls"}) {
            if (contents(path(name)) == contents(QStringLiteral("/bin/") + program))
                return program;
        }
        return QFile::exists(path(name)) ? "?" : "-";
    }

    // Updates from a server that answers `status` and `body`, broken off with `error` when one is given.
    // Tells what happened ("fetched" when the download ran, the log lines, "exit" when the agent ended),
    // what the program and backup are then, and how many programs were started.
    QString update(const QByteArray& body, int status = 200, const QString& error = {}) {
        const platform::ScopedFake<platform::Launcher> fake(launcher);
        launcher.starts.clear();
        QStringList happened;
        mdlGeneral::CheckForUpgrade(
            "http://127.0.0.1:9/kova-oru/updates/KOVA_Oru.exe",
            [&](const QString&, const QString& target) {
                QFile file(target);
                happened << (file.open(QIODevice::WriteOnly) && file.write(body) == body.size() ? "fetched"
                                                                                                : "?");
                return mdlGeneral::DownloadResult{status, error};
            },
            [&](const QString& line) { happened << QString(line).replace(folder->path(), "@"); },
            [&] { happened << "exit"; });
        return happened.join(" / ") + " | program " + copyOf("KOVA Oru") + ", backup " +
               copyOf("KOVA Oru.bak") + ", download " + copyOf("KOVA Oru.download") + " | started " +
               QString::number(launcher.starts.size());
    }

private slots:
    void init() {
        SKIP_WITHOUT_POSIX_FILE("/bin/true");
        folder.emplace();
        QVERIFY(QFile::copy("/bin/true", path("KOVA Oru")) &&
                QFile::copy("/bin/false", path("running agent")));
        locationFake.reset();
        location.emplace(folder->path());
        location->runningPath = path("running agent");
        locationFake.emplace(*location);
        launcher.refuse = false;
    }

    void replacesAndRestarts() {
        QCOMPARE(update(contents("/bin/echo")),
                 "fetched / exit | program echo, backup true, download - | started 1");
        const QFile::Permissions anyoneRuns = QFile::ExeOwner | QFile::ExeGroup | QFile::ExeOther;
        QCOMPARE(QFile::permissions(path("KOVA Oru")) & anyoneRuns, anyoneRuns);
        // The next update keeps only the program it replaces; a new program that does not start ends nothing.
        launcher.refuse = true;
        QCOMPARE(update(contents("/bin/ls")),
                 "fetched / Update failed: the new @/KOVA Oru could not be started (no such program). | "
                 "program ls, backup echo, download - | started 1");
        // The program that runs is not installed again.
        QCOMPARE(update(contents("/bin/false")),
                 "fetched / KOVA Oru is up to date. | program ls, backup echo, download - | started 0");
    }

    void leavesTheProgramAlone() {
        const QString kept = " | program true, backup -, download - | started 0";
        const QByteArray html = "<html><body>Not Found</body></html>";
        QCOMPARE(update(html, 404), "fetched / Update refused: the update server answered HTTP 404." + kept);
        QCOMPARE(update(""), "fetched / Update refused: the download is empty." + kept);
        QCOMPARE(update(html),
                 "fetched / Update refused: the download is not a program for this system." + kept);
        QCOMPARE(update(contents("/bin/echo").left(4096), 200, "Connection closed"),
                 "fetched / Update failed: the download did not complete (Connection closed)." + kept);
        QVERIFY(QDir(folder->path()).mkpath("KOVA Oru.bak/kept"));
        QCOMPARE(
            update(contents("/bin/echo")),
            "fetched / Update failed: the old backup @/KOVA Oru.bak could not be deleted (Is a directory). | "
            "program true, backup ?, download - | started 0");
        // Root writes into read-only folders, so a folder path that names a file stands in for one.
        location->folderPath = path("KOVA Oru");
        QCOMPARE(update(contents("/bin/echo")),
                 "Update failed: cannot write @/KOVA Oru/KOVA Oru.download (Not a "
                 "directory). | program true, backup ?, download - | started 0");
    }
};

QTEST_GUILESS_MAIN(TestSelfUpdate)
#include "TestSelfUpdate.moc"
