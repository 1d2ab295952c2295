#include "support/AgentHarness.h"
#include "support/LoopbackResponder.h"
#include "support/ReportFields.h"
#include "support/SettingsReply.h"

#include "modules/DateTimeText.h"
#include "platform/Clock.h"

#include <QTest>

class TestFolderScanCycle : public QObject {
    Q_OBJECT

    std::optional<LoopbackResponder> server;
    std::optional<AgentHarness> harness;
    QString work;

    Agent& agent() { return *harness->agent; }
    AgentState& state() { return harness->state; }

    void fillFolder(const QString& name, int files) {
        QDir().mkpath(work + name);
        for (int i = 0; i < files; ++i) {
            QFile file(QStringLiteral("%1%2/f%3").arg(work, name).arg(i));
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write("12345") == 5);
        }
    }

    // The tree as shown, each slot's count and size, the alert status, the message and the log's first line.
    QString outcome(int slotCount) {
        const char* images[] = {"", "Folder", "Blue", "Red", "Green", "Yellow"};
        QStringList nodes, measured;
        for (const FolderNode& node : harness->view.shownTree.children())
            nodes << node.key + ' ' + images[int(node.image)];
        for (int k = 1; k <= slotCount; ++k)
            measured << state().Count[k] + '/' + state().Size[k];
        return QStringList{nodes.join(", "), measured.join(' '), state().AlertStatus, state().Message,
                           agent().log.text().section(QStringLiteral("\r\n"), 1, 1)}
            .join(" | ")
            .replace(work, "@");
    }

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }
    void init() {
        server.emplace();
        harness.emplace(server->url("/kova-oru/process_servers.asp").toString());
        agent().tree.addRoot();
        work = harness->folder.filePath(QStringLiteral("watched"));
        fillFolder("/three", 3);
        fillFolder("/eight", 8);
        fillFolder("/empty", 0);
    }
    void cleanup() { platform::unpinNow(); }

    // Each slot is "folder=limit"; "@" stands for the watched folder. Every slot held 41 files of 41 bytes.
    void scan_data() {
        QTest::addColumn<QStringList>("watched");
        QTest::addColumn<QString>("outcome");
        const QString alert = QStringLiteral(" | ALERT! There were alerts found:");
        QTest::newRow("no active slot") << QStringList{} << " |  | 0 | System OK. | ";
        QTest::newRow("inactive forms; a leading blank is kept and misses")
            << QStringList{"", "   ", " 0.0 ", " @/three=10"}
            << "zDir4 Red | 0/0 0/0 0/0 41/41 | 1 | Scan Error!  @/three in SQL doesn't exist.\r\n" + alert;
        QTest::newRow("near the limit alone raises the alert")
            << QStringList{"@/eight=10"}
            << "zDir1 Yellow | 8/40 | 1 | Notice: Directory @/eight contains 8 files (Alert:10).\r\n" + alert;
        QTest::newRow("over, near and missing, keyed by slot")
            << QStringList{"@/three=2", " 0 =9", "@/eight=10", "@/absent=10"}
            << "zDir1 Red, zDir3 Yellow, zDir4 Red | 3/15 0/0 8/40 41/41 | 1 | Directory @/three contains 3 "
               "files "
               "(Alert:2).\r\nNotice: Directory @/eight contains 8 files (Alert:10).\r\nScan Error! @/absent "
               "in SQL "
               "doesn't exist.\r\n" +
                   alert;
        QTest::newRow("empty folder, limit 0")
            << QStringList{"", "@/empty=0"} << "zDir2 Green | 0/0 0/0 | 0 | System OK. | ";
        QTest::newRow("a limit that is no number stops the scan where it stands")
            << QStringList{"@/three=10", "@/three=many", "@/three=10"}
            << "zDir1 Green | 3/15 41/41 41/41 | before | before | Error processing alerts (12/5/2026 "
               "10:00:00 AM) ";
    }
    void scan() {
        QFETCH(QStringList, watched);
        QFETCH(QString, outcome);
        platform::pinNow(QDateTime(QDate(2026, 12, 5), QTime(10, 0)));
        state().AlertStatus = state().Message = QStringLiteral("before");
        agent().tmrIconLoop.start();
        for (int k = 1; k <= watched.size(); ++k) {
            state().Dir[k] = watched[k - 1].section('=', 0, 0).replace("@", work);
            state().Alert[k] = watched[k - 1].section('=', 1);
            state().Count[k] = state().Size[k] = QStringLiteral("41");
        }
        agent().ProcessAlerts();
        QCOMPARE(this->outcome(watched.size()), outcome);
        QCOMPARE(agent().tmrIconLoop.isActive(), state().AlertStatus != "0"); // the icon blinks while alerted
    }

    void missingPictureStopsTheScanButNotTheCycle() {
        QFile::remove(harness->folder.filePath(QStringLiteral("CheckMark.gif")));
        server->serve({Answer::http(200, settingsReply()), Answer::http(200, "Thanks")});
        agent().RunServerInfoNow();
        QVERIFY(agent().log.text().contains(QStringLiteral("Error processing alerts (")));
        QCOMPARE(agent().log.text().count(QStringLiteral("CheckMark.gif")), 1);
        QVERIFY(agent().log.text().contains(QStringLiteral("Transmission successful! (")));
    }

    // The report before the restart carries the moved schedule: the server must not hand the passed time
    // back, or the machine would reboot in a loop.
    void dueRebootIsReportedThenRequested() {
        const QDateTime now = platform::now();
        const QString past = formatGeneralDateTime(now.addSecs(-3600));
        server->serve({Answer::http(200, settingsReply({{4, "24"}, {5, past}})), Answer::http(200, "ok")});
        agent().RunServerInfoNow();
        QCOMPARE(harness->power.events, QStringList{"restart"});
        QVERIFY(agent().log.text().contains("A reboot was scheduled.  Rebooting now...\r\n\r\n"
                                            "Connecting to KOVA Server (Send)..."));
        QCOMPARE(server->requests().size(), 3); // settings, the cycle's report, the report before the restart
        const auto last = reportFields(server->requests().last().body);
        QVERIFY(last.value("sMessage").startsWith("Server Rebooted at: "));
        QVERIFY(*parseGeneralDateTime(last.value("sRebootTime")) > now);
    }
};

QTEST_GUILESS_MAIN(TestFolderScanCycle)
#include "TestFolderScanCycle.moc"
