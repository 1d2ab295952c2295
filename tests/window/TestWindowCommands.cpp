#include "forms/SetupWindow.h"
#include "modules/mdlSystemTray.h"
#include "WindowRig.h"

#include <QtTest>

// Stands in for the modal setup window.
class ScriptedSetupWindow final : public SetupWindow {
public:
    bool completes = false;
    int runs = 0;
    bool run(Agent&) override {
        ++runs;
        return completes;
    }
};

class TestWindowCommands : public QObject {
    Q_OBJECT

private slots:
    // Monitoring starts on; the button and the File menu switch the timer and both sets of controls.
    void startAndStopMonitoring() {
        WindowRig rig;
        const auto states = [&] {
            return QList<bool>{rig->cmdStart->isEnabled(), rig->mnuStartMonitor->isEnabled(),
                               rig->cmdStop->isEnabled(), rig->mnuStopMonitor->isEnabled(),
                               rig->agent().monitoring()};
        };
        rig->agent().startMonitoring();
        QCOMPARE(states(), (QList<bool>{false, false, true, true, true}));
        rig->cmdStop->click();
        QCOMPARE(states(), (QList<bool>{true, true, false, false, false}));
        rig->mnuStartMonitor->trigger();
        QCOMPARE(states(), (QList<bool>{false, false, true, true, true}));
    }

    // With a notification area "&Close" hides the window behind the icon; without one the window stays
    // reachable in the task bar and the log says why, once.
    void hidingNeedsANotificationArea() {
        for (bool present : {true, false}) {
            FakeNotificationArea area;
            area.present = present;
            platform::ScopedFake<platform::NotificationArea> fake(area);
            WindowRig rig;
            rig->show();
            rig->cmdMinimize->click();
            rig->mnuClose->trigger();
            QCOMPARE(rig->isVisible(), !present);
            QCOMPARE(rig->agent().logText().count(QStringLiteral("No notification area")), present ? 0 : 1);
        }
    }

    // Without a name file the window opens setup: a completed setup ends the run with 0, a closed one lets
    // start-up go on without a name.
    void firstRunSetup() {
        for (bool completes : {true, false}) {
            ScriptedSetupWindow setup;
            setup.completes = completes;
            const platform::ScopedFake<SetupWindow> fake(setup);
            WindowRig rig;
            QCOMPARE(rig->agent().Form_Load(), completes ? std::optional<int>(0) : std::nullopt);
            QCOMPARE(setup.runs, 1);
        }
    }

    // A timer-started cycle stops the timer and disables Scan Now while it waits for the server, so neither
    // a click nor a tick starts a cycle inside it; both come back when it ends.
    void noCycleInsideATimerCycle() {
        using namespace std::chrono_literals;
        WindowRig rig;
        rig.server.serve(Answer::http(200, settingsReply(), 300ms));
        rig->agent().startMonitoring();
        const qsizetype before = rig.server.requests().size();
        QList<bool> duringWait;
        const QObject scope;
        QTimer::singleShot(100ms, &scope, [&] {
            duringWait << rig->cmdUpdateNow->isEnabled() << rig->agent().monitoring();
            rig->cmdUpdateNow->click();
        });
        rig->agent().tmrMainLoop_Timer();
        QCOMPARE(duringWait, (QList<bool>{false, false}));
        QCOMPARE(rig.server.requests().size() - before, 2); // one download, one report
        QVERIFY(rig->cmdUpdateNow->isEnabled() && rig->agent().monitoring());
    }

    // The server hears of the reset at once, from the button and from the menu alike; the cycle after it
    // finds the folder still over its limit and raises the alert again.
    void resetAlert() {
        WindowRig rig;
        const QString busy = rig.folder.path(); // holds the two status pictures
        rig.runCycle({busy}, {"1"});
        for (bool fromMenu : {false, true}) {
            const qsizetype before = rig.server.requests().size();
            fromMenu ? rig->mnuResetAlert->trigger() : rig->cmdResetAlert->click();
            const QList<ReceivedRequest> requests = rig.server.requests().mid(before);
            QVERIFY(requests.size() == 3 && !isReport(requests[1]));
            const auto sent = reportFields(requests[0].body), again = reportFields(requests[2].body);
            QCOMPARE((QStringList{sent["sAlertStatus"], sent["sAlert"], sent["sMessage"],
                                  sent["sLastMessageDate"], again["sAlertStatus"]}),
                     (QStringList{"0", "0", "Alert was reset by user.", "Alert was reset by user.", "1"}));
            QVERIFY(again["sMessage"].contains(busy) && rig->agent().alertShowing());
        }
    }

    // Both ask first: No changes nothing; Yes restarts the machine (here the fake) or ends the agent with
    // its icon gone. Neither says a word to the server.
    void rebootAndShutdown_data() {
        QTest::addColumn<bool>("reboot");
        QTest::addColumn<bool>("yes");
        QTest::addColumn<QStringList>("outcome");
        const QString reboot = "Reboot?: Are you sure you want to reboot the computer RIGHT NOW?";
        const QString shutdown =
            "Shutdown?: Are you sure you want to shutdown KOVA Oru?  This server will no "
            "longer be monitored...";
        QTest::newRow("reboot button, no") << true << false << QStringList{reboot};
        QTest::newRow("reboot menu, yes") << true << true << QStringList{reboot, "restart"};
        QTest::newRow("shutdown button, no") << false << false << QStringList{shutdown};
        QTest::newRow("shutdown menu, yes") << false << true << QStringList{shutdown, "icon gone", "end 0"};
    }
    void rebootAndShutdown() {
        QFETCH(bool, reboot);
        QFETCH(bool, yes);
        QFETCH(QStringList, outcome);
        WindowRig rig;
        rig->addTrayIcon("KOVA Oru System Monitor");
        rig.boxes.answers = {yes};
        yes ? (reboot ? rig->mnuReboot : rig->mnuShutdown)->trigger()
            : (reboot ? rig->cmdRebootNow : rig->Command2)->click();
        QStringList seen = rig.shownBoxes() + rig.power.events;
        if (!rig->TrayIcon->isVisible())
            seen << "icon gone";
        for (int code : rig.ended.codes)
            seen << QStringLiteral("end %1").arg(code);
        QCOMPARE(seen, outcome);
        QVERIFY(rig.server.requests().isEmpty());
    }

    // The double click acts on the node last clicked, wherever it lands; after a click on the root, or none,
    // it opens nothing.
    void treeDoubleClick() {
        WindowRig rig;
        const QStringList dirs{"", "", "", "", "", "", rig.folder.path()};
        rig.runCycle(dirs);
        rig->show();
        QVERIFY(QTest::qWaitForWindowExposed(rig.window.get()));
        const QPoint belowEveryNode(10, rig->TreeView1->viewport()->height() - 5);
        for (const QString& key : {QString(), FolderTree::kRootKey, QStringLiteral("zDir7")}) {
            clickNode(*rig.window, key);
            QTest::mouseClick(rig->TreeView1->viewport(), Qt::LeftButton, {}, belowEveryNode);
            QTest::mouseDClick(rig->TreeView1->viewport(), Qt::LeftButton, {}, belowEveryNode);
        }
        QCOMPARE(rig.launcher.starts.size(), 1);
        QCOMPARE(rig.launcher.starts[0].arguments, QStringList{dirs[6]});
    }

    void treeKeyPress() {
        WindowRig rig;
        rig->show();
        QTest::keyClick(rig->TreeView1, Qt::Key_Down);
        QTest::keyClick(rig->TreeView1, Qt::Key_A);
        QCOMPARE(rig.shownBoxes(), QStringList{"KOVA Oru Web: 97"});
    }

    // One pass is 18 ticks: frames 1 to 17, then a tick on which frame 17 stays.
    void trayAnimation() {
        std::int16_t trayFrame = 1;
        QList<int> shown;
        for (int tick = 0; tick < 36; ++tick)
            shown << mdlSystemTray::nextFrame(trayFrame).value_or(0);
        const QList<int> pass{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 0};
        QCOMPARE(shown, pass + pass);
        QCOMPARE(mdlSystemTray::tooltipText(QString(70, 'x')), QString(63, 'x'));
        QCOMPARE(mdlSystemTray::tooltipText("System OK."), "System OK.");
    }
};

QTEST_MAIN(TestWindowCommands)
#include "TestWindowCommands.moc"
