#include "modules/mdlSystemTray.h"
#include "modules/NameFile.h"
#include "WindowRig.h"

#include <QDir>
#include <QtTest>

using platform::MessageBox;

namespace {

void showNodes(frmMain& window, const QList<int>& slotNumbers) {
    FolderTree tree;
    tree.addRoot();
    for (int k : slotNumbers)
        tree.addChild({QStringLiteral("zDir%1").arg(k), window.agent.state.Dir[k], TreeImage::Green});
    window.showFolderTree(tree);
}

// As a mouse does it: a click, then the double click.
void doubleClick(frmMain& window, const QPoint& where) {
    QTest::mouseClick(window.TreeView1->viewport(), Qt::LeftButton, {}, where);
    QTest::mouseDClick(window.TreeView1->viewport(), Qt::LeftButton, {}, where);
}

// Below every node.
void doubleClickEmptySpace(frmMain& window) {
    doubleClick(window, QPoint(10, window.TreeView1->viewport()->height() - 5));
}

int noteCount(const frmMain& window) {
    return static_cast<int>(
        window.agent.log.text().count(QStringLiteral("No notification area on this desktop")));
}

} // namespace

class TestWindowCommands : public QObject {
    Q_OBJECT
    QTemporaryDir folders;

private slots:
    void initTestCase() {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        QVERIFY(QDir(folders.path()).mkpath("busy"));
        for (const char* name : {"a.txt", "b.txt", "c.txt"}) {
            QFile file(folders.filePath(QStringLiteral("busy/") + name));
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
    }

    // The server hears of the reset at once; the cycle after it finds the folder still over its limit and
    // raises the alert again.
    void resetAlert_data() {
        QTest::addColumn<bool>("fromMenu");
        QTest::newRow("button") << false;
        QTest::newRow("menu") << true;
    }
    void resetAlert() {
        QFETCH(bool, fromMenu);
        WindowRig rig;
        rig.runCycle({folders.filePath("busy")}, {"1"});
        QCOMPARE(rig.state.AlertStatus, "1");
        const qsizetype before = rig.server.requests().size();
        if (fromMenu)
            rig->mnuResetAlert->trigger();
        else
            QTest::mouseClick(rig->cmdResetAlert, Qt::LeftButton);

        const QList<ReceivedRequest> requests = rig.server.requests().mid(before);
        QCOMPARE(requests.size(), 3);
        const auto reset = reportFields(requests[0].body);
        QCOMPARE(reset.value("sAlertStatus"), "0");
        QCOMPARE(reset.value("sAlert"), "0");
        QCOMPARE(reset.value("sMessage"), "Alert was reset by user.");
        QCOMPARE(reset.value("sLastMessageDate"), "Alert was reset by user.");
        QVERIFY(!isReport(requests[1]));
        const auto again = reportFields(requests[2].body);
        QCOMPARE(again.value("sAlertStatus"), "1");
        QVERIFY(again.value("sMessage").contains(folders.filePath("busy")));
        QVERIFY(rig->agent.tmrIconLoop.isActive());
        QCOMPARE(rig->Image2->pixmap().toImage(), QPixmap(":/status/XMark.gif").toImage());
    }

    // Before the first cycle the address is still empty.
    void ipAddress() {
        WindowRig rig;
        rig->mnuIPNumber->trigger();
        QCOMPARE(shownBoxes(), QStringList{"Server's IP: This server's main IP number is: . [i]"});
    }

    void webSite() {
        WindowRig rig;
        rig->show();
        QTest::mouseClick(rig->Image1, Qt::LeftButton);
        rig.launcher.refuse = true;
        rig->mnuWebsite->trigger();
        QCOMPARE(rig.launcher.starts.size(), 2);
        QCOMPARE(rig.launcher.starts[1].arguments, QStringList{KOVA_WEBSITE_URL});
        QCOMPARE(shownBoxes().size(), 1);
        QVERIFY(shownBoxes()[0].contains("no such program"));
    }

    void rebootNow_data() {
        QTest::addColumn<bool>("yes");
        QTest::addColumn<bool>("refuse");
        QTest::newRow("button, no") << false << false;
        QTest::newRow("menu, yes") << true << false;
        QTest::newRow("menu, refused") << true << true;
    }
    void rebootNow() {
        QFETCH(bool, yes);
        QFETCH(bool, refuse);
        WindowRig rig;
        rig.power.refuse = refuse;
        MessageBox::setNextAnswers({yes});
        if (yes)
            rig->mnuReboot->trigger();
        else
            QTest::mouseClick(rig->cmdRebootNow, Qt::LeftButton);
        QCOMPARE(shownBoxes().value(0),
                 "Reboot?: Are you sure you want to reboot the computer RIGHT NOW? [Yes No]");
        QCOMPARE(rig.power.events.size(), yes ? 1 : 0);
        QCOMPARE(shownBoxes().size(), refuse ? 2 : 1);
        QVERIFY(!refuse || shownBoxes()[1].contains("not allowed"));
        QVERIFY(rig.server.requests().isEmpty());
    }

    void shutDown_data() {
        QTest::addColumn<bool>("yes");
        QTest::newRow("button, no") << false;
        QTest::newRow("menu, yes") << true;
    }
    void shutDown() {
        QFETCH(bool, yes);
        WindowRig rig;
        rig->addTrayIcon("KOVA Oru System Monitor");
        MessageBox::setNextAnswers({yes});
        if (yes)
            rig->mnuShutdown->trigger();
        else
            QTest::mouseClick(rig->Command2, Qt::LeftButton);
        QCOMPARE(shownBoxes(),
                 QStringList{"Shutdown?: Are you sure you want to shutdown KOVA Oru?  This server will "
                             "no longer be monitored... [Yes No]"});
        QCOMPARE(rig->TrayIcon->isVisible(), !yes);
        QCOMPARE(rig.endCodes, yes ? QList<int>{0} : QList<int>{});
        QVERIFY(rig.server.requests().isEmpty());
    }

    // The double click acts on the node last clicked, wherever it lands, and on the slot's path as it is
    // stored at that moment.
    void treeDoubleClick() {
        WindowRig rig;
        rig.state.Dir[1] = "/srv/one";
        rig.state.Dir[7] = "/srv/seven files";
        showNodes(*rig, {1, 7});
        rig->show();
        QVERIFY(QTest::qWaitForWindowExposed(&*rig));

        doubleClickEmptySpace(*rig);
        clickNode(*rig, FolderTree::kRootKey);
        doubleClickEmptySpace(*rig);
        QVERIFY(rig.launcher.starts.isEmpty());

        clickNode(*rig, "zDir7");
        doubleClickEmptySpace(*rig);
        showNodes(*rig, {1}); // a later scan no longer shows slot 7
        doubleClickEmptySpace(*rig);
        rig.state.Dir[7].clear();
        doubleClickEmptySpace(*rig);
        QStringList opened;
        for (const FakeLauncher::Start& start : rig.launcher.starts)
            opened << start.arguments.value(0);
        QCOMPARE(opened, (QStringList{"/srv/seven files", "/srv/seven files", ""}));

        rig.launcher.refuse = true;
        doubleClick(*rig, rig->TreeView1->visualItemRect(rig->TreeView1->topLevelItem(0)->child(0)).center());
        QCOMPARE(rig.launcher.starts.last().arguments, QStringList{"/srv/one"});
        QCOMPARE(shownBoxes().size(), 1);
        QVERIFY(shownBoxes()[0].contains("/srv/one"));
    }

    void treeKeyPress() {
        WindowRig rig;
        showNodes(*rig, {});
        rig->show();
        QTest::keyClick(rig->TreeView1, Qt::Key_Down);
        QVERIFY(MessageBox::shown().isEmpty());
        QTest::keyClick(rig->TreeView1, Qt::Key_A);
        QCOMPARE(shownBoxes(), QStringList{"KOVA Oru Web: 97"});
    }

    // One pass is 18 ticks: frames 1 to 17, then a tick on which frame 17 stays.
    void animationFrames() {
        std::int16_t trayFrame = 1;
        QList<int> shown;
        for (int tick = 0; tick < 36; ++tick)
            shown << mdlSystemTray::nextFrame(trayFrame).value_or(0);
        QList<int> pass;
        for (int frame = 1; frame <= 17; ++frame)
            pass << frame;
        pass << 0;
        QCOMPARE(shown, pass + pass);
        QCOMPARE(mdlSystemTray::tooltipText(QString(70, 'x')).size(), 63);
        QCOMPARE(mdlSystemTray::tooltipText("System OK."), "System OK.");
    }

    // The icon shows the frames while the alert stands, the window's own icon once it clears, and the next
    // alert goes on from the frame where the last one stopped.
    void trayIconFollowsTheAlert() {
        WindowRig rig;
        mdlSystemTray::AddTrayIcon(*rig);
        QCOMPARE(rig->TrayIcon->toolTip(), "KOVA Oru System Monitor");
        QVERIFY(rig->TrayIcon->isVisible());
        rig.runCycle({folders.filePath("busy")}, {"1"});
        QVERIFY(rig->agent.tmrIconLoop.isActive());
        QCOMPARE(rig->agent.tmrIconLoop.interval(), 50);
        const QString longAlert =
            QString("Folder %1 holds too many files. ").arg(folders.filePath("busy")).repeated(3);
        rig.state.Message = longAlert;
        for (int frame = 1; frame <= 5; ++frame) {
            rig->tmrIconLoop_Timer();
            QCOMPARE(rig->TrayIcon->icon().cacheKey(), rig->ImageList2[frame - 1].cacheKey());
        }
        QCOMPARE(rig->TrayIcon->toolTip(), longAlert.left(63));
        QVERIFY(rig->agent.tmrIconLoop.isActive());

        rig.runCycle({});
        QVERIFY(!rig->agent.tmrIconLoop.isActive());
        QCOMPARE(rig->TrayIcon->icon().cacheKey(), rig->windowIcon().cacheKey());
        QCOMPARE(rig->TrayIcon->toolTip(), "System OK.");

        rig.runCycle({folders.filePath("busy")}, {"1"});
        rig->tmrIconLoop_Timer();
        QCOMPARE(rig->TrayIcon->icon().cacheKey(), rig->ImageList2[5].cacheKey());
    }

    // With a notification area the window hides; a single click on the icon leaves it hidden, a double
    // click shows it.
    void hidingIntoTheNotificationArea() {
        WindowRig rig;
        rig->show();
        QTest::mouseClick(rig->cmdMinimize, Qt::LeftButton);
        QVERIFY(!rig->isVisible());
        emit rig->TrayIcon->activated(QSystemTrayIcon::Trigger);
        emit rig->TrayIcon->activated(QSystemTrayIcon::Context);
        QVERIFY(!rig->isVisible());
        QVERIFY(!rig->TrayIcon->contextMenu());
        emit rig->TrayIcon->activated(QSystemTrayIcon::DoubleClick);
        QVERIFY(rig->isVisible());
        QVERIFY(!rig->isMinimized());

        rig->mnuClose->trigger();
        QVERIFY(!rig->isVisible());
        emit rig->TrayIcon->activated(QSystemTrayIcon::DoubleClick);
        QVERIFY(rig->close() == false); // the window manager's close only hides
        QVERIFY(!rig->isVisible());
        QCOMPARE(noteCount(*rig), 0);
    }

    // Without one, hiding would strand the window: it stays minimised in the task bar and the log says why,
    // once.
    void noNotificationArea() {
        WindowRig rig;
        rig.area.present = false;
        rig->show();
        QTest::mouseClick(rig->cmdMinimize, Qt::LeftButton);
        QVERIFY(rig->isVisible());
        QVERIFY(rig->isMinimized());
        QCOMPARE(noteCount(*rig), 1);
        rig->showNormal();
        rig->mnuClose->trigger();
        QVERIFY(rig->isVisible());
        QCOMPARE(noteCount(*rig), 1);
    }

    // Start-up puts the icon up, drops the close button and comes up hidden behind the icon.
    void startUpComesUpAsTheIcon() {
        WindowRig rig;
        QFile name(rig.exeFolder.filePath("kova.ini"));
        QVERIFY(name.open(QIODevice::WriteOnly));
        name.write("SRV01");
        name.close();
        QCOMPARE(rig->agent.Form_Load(), std::nullopt);
        QVERIFY(rig->TrayIcon->isVisible());
        QCOMPARE(rig->TrayIcon->toolTip(), "System OK.");
        QVERIFY(!rig->isVisible());
        QVERIFY(!rig->windowFlags().testFlag(Qt::WindowCloseButtonHint));
        QCOMPARE(rig->TreeView1->topLevelItem(0)->data(0, Qt::UserRole), FolderTree::kRootKey);
    }
};

QTEST_MAIN(TestWindowCommands)
#include "TestWindowCommands.moc"
