#include "support/AgentHarness.h"
#include "support/LoopbackResponder.h"
#include "support/ReportFields.h"
#include "support/SettingsReply.h"

#include "modules/DateTimeText.h"
#include "WireFormat.h"

#include <QTest>
#include <QUrlQuery>

namespace {

void fillFolder(const QString& path, int files) {
    QDir().mkpath(path);
    for (int i = 0; i < files; ++i) {
        QFile file(QStringLiteral("%1/f%2").arg(path).arg(i));
        file.open(QIODevice::WriteOnly);
        file.write("12345");
    }
}

QStringList keysOf(const FolderTree& tree) {
    QStringList keys;
    for (const FolderNode& node : tree.children())
        keys << node.key;
    return keys;
}

QList<TreeImage> imagesOf(const FolderTree& tree) {
    QList<TreeImage> images;
    for (const FolderNode& node : tree.children())
        images << node.image;
    return images;
}

} // namespace

class TestFolderScanCycle : public QObject {
    Q_OBJECT

    std::unique_ptr<AgentHarness> harness;
    QString work;

    Agent& agent() { return *harness->agent; }
    AgentState& state() { return harness->state; }
    void watch(int slot, const QString& dir, const QString& limit) {
        state().Dir[slot] = dir;
        state().Alert[slot] = limit;
    }

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }
    void init() {
        harness =
            std::make_unique<AgentHarness>(QStringLiteral("http://127.0.0.1:9/kova-oru/process_servers.asp"));
        agent().tree.addRoot();
        work = harness->folder.filePath(QStringLiteral("watched"));
    }
    void cleanup() { harness.reset(); }

    void slotsBecomeNodesKeyedBySlot() {
        fillFolder(work + "/calm", 3);
        fillFolder(work + "/busy", 8);
        watch(1, work + "/calm", "10");
        watch(2, " 0 ", "10");
        watch(3, work + "/busy", "10");
        watch(4, work + "/absent", "10");
        agent().ProcessAlerts();
        QCOMPARE(keysOf(harness->view.shownTree), (QStringList{"zDir1", "zDir3", "zDir4"}));
        QCOMPARE(imagesOf(harness->view.shownTree),
                 (QList{TreeImage::Green, TreeImage::Yellow, TreeImage::Red}));
        QCOMPARE(harness->view.ensuredKey, QStringLiteral("zDir4"));
        QCOMPARE(state().Count[1], QStringLiteral("3"));
        QCOMPARE(state().Size[1], QStringLiteral("15"));
        QCOMPARE(state().Count[2], QStringLiteral("0"));
        QCOMPARE(state().AlertStatus, QStringLiteral("1"));
        QCOMPARE(state().Message, QStringLiteral("Notice: Directory %1/busy contains 8 files (Alert:10).\r\n"
                                                 "Scan Error! %1/absent in SQL doesn't exist.\r\n")
                                      .arg(work));
        QVERIFY(
            agent().log.text().startsWith(QStringLiteral("\r\nALERT! There were alerts found:\r\nNotice: ")));
        QVERIFY(agent().tmrIconLoop.isActive());
        QVERIFY(harness->view.pictureShown);
    }

    void unreadableFolderKeepsItsLastMeasurement() {
        fillFolder(work + "/gone", 2);
        watch(1, work + "/gone", "10");
        agent().ProcessAlerts();
        QDir(work + "/gone").removeRecursively();
        agent().ProcessAlerts();
        QCOMPARE(state().Count[1], QStringLiteral("2"));
        QCOMPARE(state().Size[1], QStringLiteral("10"));
        QCOMPARE(imagesOf(harness->view.shownTree), QList{TreeImage::Red});
    }

    void badLimitStopsTheScanWhereItStands() {
        fillFolder(work + "/a", 1);
        state().AlertStatus = QStringLiteral("0");
        state().Message = QStringLiteral("System OK.");
        watch(1, work + "/a", "10");
        watch(2, work + "/a", "many");
        watch(3, work + "/a", "10");
        state().Count[3] = QStringLiteral("41");
        agent().ProcessAlerts();
        QCOMPARE(keysOf(harness->view.shownTree), QStringList{"zDir1"});
        QCOMPARE(state().Count[3], QStringLiteral("41"));
        QCOMPARE(state().AlertStatus, QStringLiteral("0"));
        QVERIFY(agent().log.text().startsWith(QStringLiteral("\r\nError processing alerts (")));
        QVERIFY(agent().log.text().endsWith(QStringLiteral(") \r\n")));
    }

    void emptyFolderWithLimitZeroDoesNotStopTheScan() {
        fillFolder(work + "/empty", 0);
        watch(2, work + "/empty", "0");
        agent().ProcessAlerts();
        QCOMPARE(imagesOf(harness->view.shownTree), QList{TreeImage::Green});
        QCOMPARE(state().Message, QStringLiteral("System OK."));
    }

    void noActiveSlotLeavesTheRootAlone() {
        agent().tmrIconLoop.start();
        agent().ProcessAlerts();
        QVERIFY(harness->view.shownTree.children().isEmpty());
        QVERIFY(harness->view.ensuredKey.isEmpty());
        QCOMPARE(state().AlertStatus, QStringLiteral("0"));
        QCOMPARE(state().Message, QStringLiteral("System OK."));
        QVERIFY(!agent().tmrIconLoop.isActive());
        QVERIFY(agent().log.text().isEmpty());
    }

    void missingPictureStopsTheScanButNotTheCycle() {
        QFile::remove(harness->folder.filePath(QStringLiteral("CheckMark.gif")));
        agent().ProcessAlerts();
        QVERIFY(agent().log.text().contains(QStringLiteral("Error processing alerts (")));

        LoopbackResponder server;
        server.serve({Answer::http(200, settingsReply()), Answer::http(200, "Thanks")});
        agent().InetReceive.URL = agent().InetMessages.URL =
            server.url("/kova-oru/process_servers.asp").toString();
        agent().RunServerInfoNow();
        QVERIFY(agent().log.text().contains(QStringLiteral("Error processing alerts (")));
        QCOMPARE(agent().log.text().count(QStringLiteral("CheckMark.gif")), 1);
        QVERIFY(agent().log.text().contains(QStringLiteral("Transmission successful! (")));
    }

    void dueRebootIsReportedThenRequested() {
        const QDateTime now = QDateTime::currentDateTime();
        const QString past = formatGeneralDateTime(now.addSecs(-3600));
        LoopbackResponder server;
        server.serve({Answer::http(200, settingsReply({{4, "24"}, {5, past}})), Answer::http(200, "ok")});
        agent().InetReceive.URL = agent().InetMessages.URL =
            server.url("/kova-oru/process_servers.asp").toString();
        agent().RunServerInfoNow();
        // The reboot line, then the report that carries the moved schedule before the restart.
        QVERIFY(agent().log.text().contains(QStringLiteral("A reboot was scheduled.  Rebooting now...\r\n\r\n"
                                                           "Connecting to KOVA Server (Send)...")));
        QCOMPARE(harness->power.events, QStringList{"restart"});
        QCOMPARE(server.requests().size(), 3); // settings, the cycle's report, the report before the restart
        const QByteArray last = server.requests().last().body;
        QVERIFY(reportFields(last).value("sMessage").startsWith(QStringLiteral("Server Rebooted at: ")));
        QCOMPARE(reportFields(last).value("sManualReboot"), QString());
        QCOMPARE(reportFields(last).value("sRebootTime"), state().RebootTime);
        QVERIFY(*parseGeneralDateTime(state().RebootTime) > now);
        QVERIFY(!state().RebootDue);
    }

    void rebootAlreadyServedByAMachineStartIsNotRepeated() {
        const QDateTime now = QDateTime::currentDateTime();
        harness->power.started = now.addSecs(-60);
        LoopbackResponder server;
        const QString past = formatGeneralDateTime(now.addSecs(-3600));
        server.serve({Answer::http(200, settingsReply({{4, "24"}, {5, past}})), Answer::http(200, "ok")});
        agent().InetReceive.URL = agent().InetMessages.URL =
            server.url("/kova-oru/process_servers.asp").toString();
        agent().RunServerInfoNow();
        QVERIFY(harness->power.events.isEmpty());
        QVERIFY(*parseGeneralDateTime(reportFields(server.requests().last().body).value("sRebootTime")) >
                now);
    }
};

QTEST_GUILESS_MAIN(TestFolderScanCycle)
#include "TestFolderScanCycle.moc"
