#include "Endpoints.h"
#include "support/AgentHarness.h"
#include "support/LoopbackResponder.h"
#include "support/ReportFields.h"
#include "support/SettingsReply.h"

#include "modules/LocalDateTime.h"
#include "platform/Clock.h"

#include <QTest>

class TestFolderScanCycle : public QObject {
    Q_OBJECT

    std::optional<LoopbackResponder> server;
    std::optional<AgentHarness> harness;
    QString work;

    Agent& agent() { return *harness->agent; }
    AgentState& state() { return harness->state; }

    // The tree as shown, each slot's count and size, the alert status and the message.
    QString outcome(int slotCount) {
        const char* images[] = {"", "Folder", "Blue", "Red", "Green", "Yellow"};
        QStringList nodes, measured;
        for (const FolderNode& node : harness->view.shownTree.children())
            nodes << node.key + ' ' + images[int(node.image)];
        for (int k = 1; k <= slotCount; ++k)
            measured << state().Count[k] + '/' + state().Size[k];
        return QStringList{nodes.join(", "), measured.join(' '), state().AlertStatus, state().Message}
            .join(" | ")
            .replace(work, "@");
    }

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }
    void init() {
        server.emplace();
        harness.emplace(server->url(wire::kExchangePath).toString());
        work = harness->folder.filePath(QStringLiteral("watched"));
        // Folders named by the number of files in them, each of 5 bytes.
        for (int files : {0, 1, 3, 8, 75, 76, 100, 101, 120}) {
            QVERIFY(QDir(work).mkpath(QString::number(files)));
            for (int i = 0; i < files; ++i) {
                QFile file(QStringLiteral("%1/%2/f%3").arg(work).arg(files).arg(i));
                QVERIFY(file.open(QIODevice::WriteOnly) && file.write("12345") == 5);
            }
        }
    }

    // Each slot is "folder=limit"; "@" stands for the watched folder. Every slot held 41 files of 41 bytes.
    void scan_data() {
        QTest::addColumn<QStringList>("watched");
        QTest::addColumn<QString>("outcome");
        QTest::newRow("no active slot") << QStringList{} << " |  | 0 | System OK.";
        QTest::newRow("inactive forms; a leading blank is kept; unreadable folders keep their measurement")
            << QStringList{"", "   ", " 0.0 ", "00", " @/3=10", "@/absent=10"}
            << "zDir5 Red, zDir6 Red | 0/0 0/0 0/0 0/0 41/41 41/41 | 1 | "
               "Scan Error!  @/3 in SQL doesn't exist.\r\nScan Error! @/absent in SQL doesn't exist.\r\n";
        QTest::newRow("near the limit alone raises the alert")
            << QStringList{"@/8=10"}
            << "zDir1 Yellow | 8/40 | 1 | Notice: Directory @/8 contains 8 files (Alert:10).\r\n";
        QTest::newRow("limits")
            << QStringList{"@/100=100",   "@/76=100", "@/120=100", "@/75=100", "@/101=100.9",
                           "@/100=100.9", "@/0=0",    "@/1=0",     "@/120=100"}
            << "zDir1 Yellow, zDir2 Yellow, zDir3 Red, zDir4 Green, zDir5 Red, zDir6 Yellow, zDir7 Green, "
               "zDir8 Red, zDir9 Red | 100/500 76/380 120/600 75/375 101/505 100/500 0/0 1/5 120/600 | 1 | "
               "Notice: Directory @/100 contains 100 files (Alert:100).\r\n"
               "Notice: Directory @/76 contains 76 files (Alert:100).\r\n"
               "Directory @/120 contains 120 files. (Alert:100)\r\n" // slot 3 words it its own way
               "Directory @/101 contains 101 files (Alert:100.9).\r\n"
               "Notice: Directory @/100 contains 100 files (Alert:100.9).\r\n"
               "Directory @/1 contains 1 files (Alert:0).\r\n"
               "Directory @/120 contains 120 files (Alert:100).\r\n";
        QTest::newRow("a limit that is no number stops the scan where it stands, its slot measured")
            << QStringList{"@/3=10", "@/3=many", "@/3=10"}
            << "zDir1 Green | 3/15 3/15 41/41 | before | before";
        // Shown escaped: a folder's name from the server or the disk can neither end a line nor forge one.
        QTest::newRow("a lone tab is a path that cannot be read")
            << QStringList{"\t=10"} << "zDir1 Red | 41/41 | 1 | Scan Error! \\t in SQL doesn't exist.\r\n";
        QTest::newRow("a line break in a folder's name")
            << QStringList{"@/absent\r\nUpdate installed=10"}
            << "zDir1 Red | 41/41 | 1 | Scan Error! @/absent\\r\\nUpdate installed in SQL doesn't exist.\r\n";
    }
    void scan() {
        QFETCH(QStringList, watched);
        QFETCH(QString, outcome);
        PinnedClock pinned(QDateTime(QDate(2026, 12, 5), QTime(10, 0)));
        const platform::ScopedFake<platform::Clock> pinnedFake(pinned);
        state().AlertStatus = state().Message = QStringLiteral("before");
        for (int k = 1; k <= watched.size(); ++k) {
            state().Dir[k] = watched[k - 1].section('=', 0, 0).replace("@", work);
            state().Alert[k] = watched[k - 1].section('=', 1);
            state().Count[k] = state().Size[k] = QStringLiteral("41");
        }
        agent().ProcessAlerts();
        QCOMPARE(this->outcome(watched.size()), outcome);
        // The log opens with the alert, or with the failed scan; the icon blinks while an alert stands.
        const QString alerted = state().AlertStatus == "1" ? "ALERT! There were alerts found:" : "";
        QCOMPARE(agent().logText().section("\r\n", 1, 1),
                 state().AlertStatus == "before" ? "Error processing alerts (12/5/2026 10:00:00 AM) "
                                                 : alerted);
        QCOMPARE(agent().alertShowing(), state().AlertStatus == "1");
    }

    // The cycle reboots a machine whose reboot is due, after a report that carries the moved schedule: the
    // server must not hand the passed time back, or the machine would reboot in a loop.
    void dueRebootIsReportedThenRequested() {
        const QDateTime now = platform::now();
        const QString past = formatGeneralDateTime(now.addSecs(-3600));
        server->serve({Answer::http(200, settingsReply({{4, "24"}, {5, past}})), Answer::http(200, "ok")});
        agent().RunServerInfoNow();
        QCOMPARE(harness->power.events, QStringList{"restart"});
        const auto last = reportFields(server->requests().last().body);
        QVERIFY(last.value("sMessage").startsWith("Server Rebooted at: ") &&
                *parseGeneralDateTime(last.value("sRebootTime")) > now);
    }

    // The operator's log says only that processing failed; the reason goes to the debug log.
    void failedProcessingLogsItsReason() {
        QVERIFY(QFile::remove(harness->folder.filePath(QStringLiteral("CheckMark.gif"))));
        QTest::ignoreMessage(
            QtWarningMsg,
            QRegularExpression("^Error processing alerts: the picture .*CheckMark.gif cannot be read$"));
        agent().ProcessAlerts();
        QVERIFY(agent().logText().contains("Error processing alerts ("));
    }
};

QTEST_GUILESS_MAIN(TestFolderScanCycle)
#include "TestFolderScanCycle.moc"
