// The self-update against a scripted update server, with programs that really run: a build of the agent
// signed with a key made here, and every way a download can be unfit to stand in its place. On Windows (under
// wine) the same, with the program's .exe name and Windows' own ways of refusing a broken program.
#include "Endpoints.h"
#include "modules/AgentConfig.h"
#include "modules/SelfUpdate.h"
#include "modules/UpdateKeys.h"
#include "platform/ExecutableFolder.h"
#include "platform/TransferChannel.h"
#include "support/FakeLauncher.h"
#include "support/FileBytes.h"
#include "support/LoopbackResponder.h"
#include "support/PlatformFakes.h"
#include "support/ThrowawayKey.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace std::chrono_literals;

Q_DECLARE_METATYPE(QList<Answer>)

class TestSelfUpdate : public QObject {
    Q_OBJECT

    std::optional<QTemporaryDir> folder;
    FakeLauncher launcher;
    TrustedKeys trusted;
    const QStringList arguments{"--update-url", "http://127.0.0.1:9/u", "--once"};
    const QString program = platform::executableFileName("KOVA Oru");
    // Stand-ins: the program installed before the update (never run), and the running agent (the built one).
    const QByteArray previous = "the program installed before";
    const QByteArray agent = fileBytes(qEnvironmentVariable("KOVA_AGENT_EXE"));
    const QByteArray newAgent = agent + "another build"; // still runs: the tail is never loaded
    const ThrowawayKey key;
    const ThrowawayKey otherKey;
    std::optional<FakeExecutableLocation> location;
    std::optional<platform::ScopedFake<platform::ExecutableLocation>> locationFake;

    QString path(const QString& name) const { return folder->filePath(name); }

    // The built agent answering --version with another version of the same length, written over its own.
    QByteArray agentNaming(const QString& version) const {
        return QByteArray(agent).replace(("KOVA Oru " + agentVersionText()).toLatin1(),
                                         ("KOVA Oru " + version).toLatin1());
    }
    static QString versionWithMajor(int change) {
        const QString running = agentVersionText();
        return QString::number(running.section('.', 0, 0).toInt() + change) + '.' + running.section('.', 1);
    }
    static QString olderVersion() { return versionWithMajor(-1); }
    static QString newerVersion() { return versionWithMajor(1); }

    // Which program a file of the folder holds ("-" when there is none, "?" when none of these).
    QString copyOf(const QString& name) const {
        const QByteArray held = fileBytes(path(name));
        for (const auto& [label, program] :
             {std::pair{"previous", previous}, std::pair{"agent", agent}, std::pair{"new agent", newAgent}})
            if (held == program)
                return label;
        return QFile::exists(path(name)) ? "?" : "-";
    }

    QList<Answer> published(const QByteArray& program, const QByteArray& signature) const {
        return {Answer::http(200, program), Answer::http(200, signature)};
    }

    // The log line, then what the program and backup are, which files are left and what was started.
    QString update(const QList<Answer>& script) {
        LoopbackResponder server;
        server.serve(script);
        platform::TransferChannel channel(60s);
        QStringList happened;
        const auto download = [&](const QString& url, const QString& target, qint64 bound) {
            channel.Download(url, target, bound);
            channel.waitUntilDone();
            return mdlGeneral::DownloadResult{channel.httpStatus(), channel.errorText()};
        };
        mdlGeneral::CheckForUpgrade(
            server.url(wire::kUpdatePath).toString(), arguments, download,
            [&](const QString& line) { happened << QString(line).replace(folder->path(), "@"); },
            [&] { happened << "exit"; });
        QStringList files = QDir(folder->path()).entryList(QDir::Files);
        files.removeAll("running agent");
        return happened.join(" / ") + " | program " + copyOf(program) + ", backup " + copyOf("KOVA Oru.bak") +
               " | " + files.join(", ") + " | started " + QString::number(launcher.starts.size());
    }

private slots:
    void initTestCase() {
        QVERIFY2(agent.size() > 64 * 1024, "KOVA_AGENT_EXE names the built agent");
#ifdef Q_OS_WIN
        // The proof runs the new program where it was put; Windows finds its libraries on the search path.
        const QString libraries = QFileInfo(qEnvironmentVariable("KOVA_AGENT_EXE")).absolutePath();
        qputenv("PATH", QDir::toNativeSeparators(libraries).toLocal8Bit() + ';' + qgetenv("PATH"));
#endif
        trusted.keys = {otherKey.publicKey.left(31) + 'x', key.publicKey}; // the second key signs
    }
    void init() {
        folder.emplace();
        QVERIFY(writeFileBytes(path(program), previous));
        QVERIFY(QFile::copy(qEnvironmentVariable("KOVA_AGENT_EXE"), path("running agent")));
        locationFake.reset();
        location.emplace(folder->path());
        location->runningPath = path("running agent");
        locationFake.emplace(*location);
        launcher.starts.clear();
    }

    void outcome_data() {
        QTest::addColumn<QList<Answer>>("script");
        QTest::addColumn<QString>("expected"); // a pattern
        const QString name = QRegularExpression::escape(program);
        QStringList programAndBackup{program, "KOVA Oru.bak"};
        programAndBackup.sort(); // as the folder lists them
        const QString kept = " \\| program previous, backup - \\| " + name + " \\| started 0";
        const QString newOne = "Update failed: the downloaded @/KOVA Oru.download did not prove itself: ";
        const QString running = QRegularExpression::escape(agentVersionText());
        const QByteArray head = agent.left(64 * 1024);
#ifdef Q_OS_WIN
        // Windows' loader refuses a program cut short before it runs any of it.
        const QString cutShortFails = "it cannot be started \\(.+\\)";
        const QByteArray headerAndZeros = agent.left(1024) + QByteArray(1 << 20, '\0');
#else
        const QString cutShortFails = "it crashed \\(.+\\)";
        const QByteArray headerAndZeros = QByteArray("\x7f"
                                                     "ELF") +
                                          QByteArray(1 << 20, '\0');
#endif
        const QByteArray cut = statusLine(200, agent.size()) + agent.left(100 * 1024);
        const auto row = [](const char* name, const QList<Answer>& script, const QString& expected) {
            QTest::newRow(name) << script << expected;
        };
        row("signed new build", published(newAgent, key.sign(newAgent)),
            "Update installed: the new KOVA Oru answered --version and was started\\. / exit \\| program new "
            "agent, backup previous \\| " +
                QRegularExpression::escape(programAndBackup.join(", ")) + " \\| started 1");
        row("the running build again", published(agent, key.sign(agent)), "KOVA Oru is up to date\\." + kept);
        row("no signature published", {Answer::http(200, newAgent), Answer::http(404, "Not found")},
            "Update refused: the update server answered HTTP 404 for its signature\\." + kept);
        row("signed with a key not trusted", published(newAgent, otherKey.sign(newAgent)),
            "Update refused: the signature does not match the download or no trusted key made it\\." + kept);
        row("first 64 KiB under the whole one's signature", published(head, key.sign(newAgent)),
            "Update refused: the signature does not match .*" + kept);
        row("signature cut short", published(newAgent, key.sign(newAgent).left(63)),
            "Update refused: the signature is not 64 bytes\\." + kept);
        row("program short of its length", {Answer::raw(cut)},
            "Update failed: the program could not be fetched whole \\(.+\\)\\." + kept);
        row("program reset mid-way", {Answer::reset(cut)},
            "Update failed: the program could not be fetched whole \\(.+\\)\\." + kept);
        row("program announced above 256 MiB", {Answer::raw(statusLine(200, qint64(300) << 20))},
            "Update failed: the program could not be fetched whole \\(The answer is larger than 268435456 "
            "bytes\\)\\." +
                kept);
        row("signed but cut short (first 64 KiB)", published(head, key.sign(head)),
            newOne + cutShortFails + "\\." + kept);
        row("signed but no program (header and zeros)", published(headerAndZeros, key.sign(headerAndZeros)),
            newOne + "it cannot be started \\(.+\\)\\." + kept);
        // A validly signed build replayed after a newer one is out: no downgrade.
        const QByteArray older = agentNaming(olderVersion());
        row("signed older build", published(older, key.sign(older)),
            "Update refused: version " + QRegularExpression::escape(olderVersion()) +
                " is older than the running " + running + "\\." + kept);
        const QByteArray newer = agentNaming(newerVersion());
        row("signed newer build", published(newer, key.sign(newer)),
            "Update installed: .* / exit \\| program \\?, backup previous \\| .* \\| started 1");
#ifndef Q_OS_WIN // a program that answers --version under another name; the check itself is the same there
        row("signed but another program", published(fileBytes("/bin/true"), key.sign(fileBytes("/bin/true"))),
            newOne + "it did not name itself KOVA Oru and its version \\(\"true .*\"\\)\\." + kept);
#endif
    }
    // Only a whole download signed by a trusted key that then runs and names itself replaces the program;
    // every other outcome leaves the previous one in place, the folder clean and nothing started.
    void outcome() {
        QFETCH(QList<Answer>, script);
        QFETCH(QString, expected);
        const platform::ScopedFake<platform::Launcher> fakeLauncher(launcher);
        const platform::ScopedFake<mdlGeneral::UpdateKeys> fakeKeys(trusted);

        const QString result = update(script);

        QVERIFY2(QRegularExpression("^" + expected + "$").match(result).hasMatch(), qPrintable(result));
        for (const FakeLauncher::Start& start : launcher.starts)
            QCOMPARE(start, (FakeLauncher::Start{path(program), arguments, false}));
    }

    // File steps that fail leave a program under the executable's name.
    void fileStepsThatFail() {
        const platform::ScopedFake<platform::Launcher> fakeLauncher(launcher);
        const platform::ScopedFake<mdlGeneral::UpdateKeys> fakeKeys(trusted);
        QVERIFY(QDir(folder->path()).mkpath("KOVA Oru.bak/kept"));
        const QString unchanged = " \\| program previous, backup \\? \\| " +
                                  QRegularExpression::escape(program) + " \\| started 0$";
        // The reasons in brackets are the system's own words.
        const QString backupInTheWay = update(published(newAgent, key.sign(newAgent)));
        QVERIFY2(backupInTheWay.contains(QRegularExpression(
                     "^Update failed: the old backup @/KOVA Oru.bak could not be deleted \\(.+\\)\\." +
                     unchanged)),
                 qPrintable(backupInTheWay));
        // Root writes into read-only folders, so a folder path that names a file stands in for one.
        location->folderPath = path(program);
        const QString noFolder = update(published(newAgent, key.sign(newAgent)));
        QVERIFY2(noFolder.contains(QRegularExpression(
                     "^Update failed: the program could not be fetched whole \\(Cannot write @/" +
                     QRegularExpression::escape(program) + "/KOVA Oru.download: .+\\)\\." + unchanged)),
                 qPrintable(noFolder));
    }

    void interruptedUpdateRepairedAtStart_data() {
        QTest::addColumn<QStringList>("left"); // files a stop left beside the previous program or its backup
        QTest::addColumn<QString>("expected");
        const QString clean = " | program previous, backup - | " + program;
        QTest::newRow("stopped during the download or the proof")
            << QStringList{program, "KOVA Oru.download", "KOVA Oru.download.sig"} << clean;
        QTest::newRow("stopped between the renames") << QStringList{"KOVA Oru.bak", "KOVA Oru.download"}
                                                     << "An interrupted update was taken back: @/" + program +
                                                            " is the previous program again." + clean;
        QStringList finished{program, "KOVA Oru.bak"};
        finished.sort(); // as the folder lists them: the program sorts apart with and without ".exe"
        QTest::newRow("a finished update") << QStringList{program, "KOVA Oru.bak"}
                                           << " | program previous, backup previous | " + finished.join(", ");
    }
    // The next start leaves the previous program (or the finished update) in place and no download behind.
    void interruptedUpdateRepairedAtStart() {
        QFETCH(QStringList, left);
        QFETCH(QString, expected);
        QVERIFY(QFile::remove(path(program)));
        for (const QString& name : left)
            QVERIFY(writeFileBytes(path(name), name.startsWith("KOVA Oru.download") ? newAgent : previous));

        const QString line = mdlGeneral::repairInterruptedUpdate().replace(folder->path(), "@");

        QStringList files = QDir(folder->path()).entryList(QDir::Files);
        files.removeAll("running agent");
        QCOMPARE(line + " | program " + copyOf(program) + ", backup " + copyOf("KOVA Oru.bak") + " | " +
                     files.join(", "),
                 expected);
    }

    void nothingOthersControlIsUsed_data() {
        QTest::addColumn<QString>("changed"); // in the folder ("" for itself)
        QTest::addColumn<int>("permissions"); // given to it; 0: it is made a link to a private file
        QTest::addColumn<QString>("expected");
        const QString writable = " may be changed by other users than the one running KOVA Oru; make it "
                                 "writable by that user alone.";
        const QFile::Permissions owner = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                         QFile::ReadUser | QFile::WriteUser | QFile::ExeUser;
        const QString kept = " | program previous, backup - | " + program + " | started 0";
        QTest::newRow("folder writable by its group")
            << "" << int((owner | QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup).toInt())
            << "Update refused: @" + writable + kept;
        QTest::newRow("program writable by others") << program << int((owner | QFile::WriteOther).toInt())
                                                    << "Update refused: @/" + program + writable + kept;
        const QString isLink = " is a link; an update writes no file through one.";
        for (const char* name : {"KOVA Oru.download", "KOVA Oru.download.sig"})
            QTest::addRow("a link as %s", name)
                << QString(name) << 0 << QString("Update refused: @/") + name + isLink + kept;
        QTest::newRow("a link as KOVA Oru.bak")
            << "KOVA Oru.bak" << 0
            << "Update refused: @/KOVA Oru.bak" + isLink + " | program previous, backup ? | " + program +
                   ", KOVA Oru.bak | started 0";
    }
    // A member of the program folder's group cannot steer the update root runs: no file is written through a
    // link and the program stays.
    void nothingOthersControlIsUsed() {
        QFETCH(QString, changed);
        QFETCH(int, permissions);
        QFETCH(QString, expected);
#ifdef Q_OS_WIN
        QSKIP("the access list of the program's folder is the installer's; POSIX modes and links only");
#endif
        const platform::ScopedFake<platform::Launcher> fakeLauncher(launcher);
        const platform::ScopedFake<mdlGeneral::UpdateKeys> fakeKeys(trusted);
        const QString secret = folder->filePath("../secret-" + QFileInfo(folder->path()).fileName());
        QVERIFY(writeFileBytes(secret, "root only"));
        const QString target = changed.isEmpty() ? folder->path() : path(changed);
        QVERIFY(permissions ? QFile::setPermissions(target, QFile::Permissions::fromInt(permissions))
                            : QFile::link(secret, target));

        const QString result = update(published(newAgent, key.sign(newAgent)));

        QVERIFY(
            QFile::setPermissions(folder->path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        QCOMPARE(fileBytes(secret), "root only");
        QVERIFY(QFile::remove(secret));
        QCOMPARE(result, expected);
    }

    // With no key built in, nothing can be installed.
    void noKeyNoUpdate() {
        const platform::ScopedFake<platform::Launcher> fakeLauncher(launcher);
        TrustedKeys none;
        const platform::ScopedFake<mdlGeneral::UpdateKeys> fakeKeys(none);
        QCOMPARE(update(published(newAgent, key.sign(newAgent))),
                 "Update refused: no update key is built into this agent. | program previous, backup - | " +
                     program + " | started 0");
    }
};

QTEST_GUILESS_MAIN(TestSelfUpdate)
#include "TestSelfUpdate.moc"
