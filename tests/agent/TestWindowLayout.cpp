#include "forms/frmAbout.h"
#include "forms/frmAddNewMonitor.h"
#include "forms/frmOptions.h"
#include "forms/Twips.h"
#include "WindowRig.h"

#include <cmath>
#include <QDir>
#include <QMenuBar>
#include <QTabBar>
#include <QtTest>

namespace {

// The layout is laid down in twips; at 96 dots per inch a pixel is 15 of them.
int px(int twips) {
    return static_cast<int>(std::lround(twips / 15.0));
}
QRect pxRect(int left, int top, int width, int height) {
    return {px(left), px(top), px(width), px(height)};
}

QString caption(const QWidget* control) {
    if (const auto* button = qobject_cast<const QAbstractButton*>(control))
        return button->text();
    if (const auto* label = qobject_cast<const QLabel*>(control))
        return label->text();
    return {};
}

QHash<QString, QWidget*> controlsByName(frmMain& w) {
    return {{"cmdOptions", w.cmdOptions},
            {"cmdDelete", w.cmdDelete},
            {"cmdAddNew", w.cmdAddNew},
            {"cmdStart", w.cmdStart},
            {"cmdStop", w.cmdStop},
            {"cmdRebootNow", w.cmdRebootNow},
            {"Image3", w.Image3},
            {"Image1", w.Image1},
            {"lblVersionNumber", w.lblVersionNumber},
            {"Label2", w.Label2},
            {"Label1", w.Label1},
            {"TreeView1", w.TreeView1},
            {"cmdUpdateNow", w.cmdUpdateNow},
            {"Text1", w.Text1},
            {"cmdResetAlert", w.cmdResetAlert},
            {"cmdHideRight", w.cmdHideRight},
            {"cmdMinimize", w.cmdMinimize},
            {"Command2", w.Command2},
            {"Label3", w.Label3},
            {"Image2", w.Image2},
            {"Label4", w.Label4},
            {"Text3", w.Text3}};
}

QStringList captions(const QMenu* menu) {
    QStringList texts;
    for (const QAction* action : menu->actions())
        texts << (action->isSeparator() ? QStringLiteral("-") : action->text());
    return texts;
}

void save(QWidget& window, const QString& name) {
    const QString folder = qEnvironmentVariable("KOVA_TEST_OUTPUT", QDir::tempPath());
    QDir().mkpath(folder);
    QVERIFY(window.grab().save(folder + QLatin1Char('/') + name));
}

} // namespace

class TestWindowLayout : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QCOMPARE(twipsPerPixel(), 15); }

    void controls_data() {
        QTest::addColumn<QRect>("geometry");
        QTest::addColumn<QString>("caption");
        QTest::newRow("cmdOptions") << pxRect(120, 120, 780, 770) << "";
        QTest::newRow("cmdDelete") << pxRect(960, 120, 780, 770) << "";
        QTest::newRow("cmdAddNew") << pxRect(1800, 120, 780, 770) << "";
        QTest::newRow("cmdStart") << pxRect(2640, 120, 780, 770) << "";
        QTest::newRow("cmdStop") << pxRect(3480, 120, 780, 770) << "";
        QTest::newRow("cmdRebootNow") << pxRect(4320, 120, 780, 770) << "";
        QTest::newRow("Image3") << pxRect(2640, 120, 3000, 2415) << "";
        QTest::newRow("Image1") << pxRect(6600, 120, 3750, 570) << "";
        QTest::newRow("lblVersionNumber") << pxRect(6600, 720, 3375, 255) << "Version No: ";
        QTest::newRow("Label2") << pxRect(120, 960, 2535, 375) << "Local Directory Statuses";
        QTest::newRow("Label1") << pxRect(5640, 960, 3375, 495) << "KOVA Oru Message & Web Postings";
        QTest::newRow("TreeView1") << pxRect(120, 1200, 4095, 3015) << "";
        QTest::newRow("cmdUpdateNow") << pxRect(4320, 1200, 1215, 375) << "&Scan Now";
        QTest::newRow("Text1") << pxRect(5640, 1200, 4335, 3735) << "";
        QTest::newRow("cmdResetAlert") << pxRect(4320, 1680, 1215, 375) << "&Reset Alert";
        QTest::newRow("cmdHideRight") << pxRect(4320, 2520, 1215, 375) << "&Hide >>";
        QTest::newRow("cmdMinimize") << pxRect(4320, 3360, 1215, 375) << "&Close";
        QTest::newRow("Command2") << pxRect(4320, 3840, 1215, 375) << "Shut&Down";
        QTest::newRow("Label3") << pxRect(840, 4320, 2895, 375) << "Current Alert Status:";
        QTest::newRow("Image2") << pxRect(3240, 4250, 750, 750) << "";
        QTest::newRow("Label4") << pxRect(120, 4920, 3375, 375) << "Information from KOVA Server";
        QTest::newRow("Text3") << pxRect(120, 5160, 9855, 1215) << "";
    }
    void controls() {
        QFETCH(QRect, geometry);
        QFETCH(QString, caption);
        WindowRig window;
        QWidget* control = controlsByName(*window).value(QTest::currentDataTag());
        QVERIFY(control);
        QCOMPARE(control->parentWidget(), window->centralWidget());
        QCOMPARE(control->geometry(), geometry);
        QCOMPARE(::caption(control), caption);
    }

    void look() {
        WindowRig window;
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(&*window));
        QCOMPARE(window->windowTitle(), "KOVA Oru");
        QCOMPARE(window->centralWidget()->size(), QSize(px(10095), px(6480)));
        QVERIFY(window->windowFlags().testFlag(Qt::WindowMinimizeButtonHint));
        QVERIFY(!window->windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
        QCOMPARE(window->centralWidget()->palette().color(QPalette::Window), QColor(Qt::black));
        QCOMPARE(window->Label1->palette().color(QPalette::WindowText), QColor(255, 255, 192));
        QVERIFY(!window->Label1->autoFillBackground());
        QCOMPARE(window->cmdUpdateNow->font().families().value(0), "Century Gothic");
        QCOMPARE(window->cmdUpdateNow->font().pointSizeF(), 8.25);
        QCOMPARE(window->Label2->font().pointSizeF(), 9.75);
        QCOMPARE(window->Label3->font().pointSizeF(), 12.0);
        QVERIFY(window->Label3->font().bold());
        QCOMPARE(window->Image2->pixmap().toImage(), QPixmap(":/status/CheckMark.gif").toImage());
        QVERIFY(!window->cmdStart->isEnabled());
        QVERIFY(!window->mnuStartMonitor->isEnabled());
        QVERIFY(window->cmdStop->isEnabled());
    }

    void menus() {
        WindowRig window;
        QCOMPARE(window->menuBar()->actions(),
                 (QList<QAction*>{window->mnuFile->menuAction(), window->mnuOruTools->menuAction(),
                                  window->mnuSysTool->menuAction(), window->mnuHelp->menuAction()}));
        QCOMPARE(window->mnuFile->title(), "File");
        QCOMPARE(window->mnuOruTools->title(), "Oru Tools");
        QCOMPARE(window->mnuSysTool->title(), "System Tools");
        QCOMPARE(window->mnuHelp->title(), "Help");
        QCOMPARE(window->mnuFile->actions(),
                 (QList<QAction*>{window->mnuStartMonitor, window->mnuStopMonitor, window->mnuLine2,
                                  window->mnuClose, window->mnuShutdown}));
        QCOMPARE(captions(window->mnuFile),
                 (QStringList{"Start Monitoring", "Stop Monitor", "-", "Close", "Shutdown Oru"}));
        QCOMPARE(window->mnuOruTools->actions(),
                 (QList<QAction*>{window->mnuResetAlert, window->mnuHideServer, window->mnuAddFolder,
                                  window->mnuDeletefolder, window->mnuLine1, window->mnuOptions}));
        QCOMPARE(captions(window->mnuOruTools), (QStringList{"Reset Alerts Now", "Hide Server Messages",
                                                             "Add Folder", "Delete Folder", "-", "Options"}));
        QCOMPARE(window->mnuSysTool->actions(), (QList<QAction*>{window->mnuIPNumber, window->mnuReboot}));
        QCOMPARE(captions(window->mnuSysTool), (QStringList{"Print IP Address", "Reboot Server Now"}));
        QCOMPARE(window->mnuHelp->actions(), (QList<QAction*>{window->mnuAbout, window->mnuWebsite}));
        QCOMPARE(captions(window->mnuHelp), (QStringList{"About", "Visit KOVA-Oru Website"}));
    }

    // Both commands share one state, so either undoes the other; each sets its own sizes.
    void hideAndShowServerArea() {
        WindowRig window;
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(&*window));
        window->mnuHideServer->trigger();
        QCOMPARE(window->frameGeometry().size(), QSize(px(5685), px(5340)));
        QVERIFY(window->ServerPanelHidden);
        QCOMPARE(window->cmdHideRight->text(), "Show >>");
        QVERIFY(window->Text3->isHidden() && window->Label4->isHidden());
        QCOMPARE(window->mnuHideServer->text(), "Hide Server Messages");

        QTest::mouseClick(window->cmdHideRight, Qt::LeftButton);
        QCOMPARE(window->frameGeometry().size(), QSize(px(10185), px(7140)));
        QVERIFY(!window->ServerPanelHidden);
        QCOMPARE(window->cmdHideRight->text(), "Hide >>");
        QVERIFY(window->Text3->isVisible() && window->Label4->isVisible());

        QTest::mouseClick(window->cmdHideRight, Qt::LeftButton);
        QCOMPARE(window->frameGeometry().size(), QSize(px(5670), px(5625)));
        window->mnuHideServer->trigger();
        QCOMPARE(window->frameGeometry().size(), QSize(px(10185), px(6855)));
    }

    void closeButtonRemoved() {
        WindowRig window;
        window->disableCloseMenu();
        QVERIFY(window->isVisible());
        QVERIFY(!window->windowFlags().testFlag(Qt::WindowCloseButtonHint));
        QVERIFY(window->windowFlags().testFlag(Qt::WindowMinimizeButtonHint));
    }

    void secondaryWindows() {
        WindowRig window;
        frmAddNewMonitor add(window->agent);
        QCOMPARE(add.windowTitle(), "Add New Monitor");
        QCOMPARE(add.size(), QSize(px(6840), px(3855)));
        QCOMPARE(add.Label1->text(), "Select which folder you want to monitor.");
        QCOMPARE(add.Label2->text(), "Set File Count");
        QCOMPARE(add.Label3->text(),
                 "This is the maximum number of files allowed before KOVA Oru sets off an "
                 "alert.  Enter a number below between 1 and 9999");
        QVERIFY(add.Label1->font().bold() && add.Label2->font().bold());
        QCOMPARE(add.Text1->text(), "0");
        QCOMPARE(add.cmdOk->text(), "&Ok");
        QCOMPARE(add.cmdCancel->text(), "&Cancel");
        QCOMPARE(add.Dir1->path(), QDir::toNativeSeparators(QDir::currentPath()));

        frmOptions options;
        QCOMPARE(options.windowTitle(), "KOVA Oru Options");
        QCOMPARE(options.size(), QSize(px(6780), px(3120)));
        QCOMPARE(options.SSTab1->count(), 3);
        QCOMPARE(options.SSTab1->tabText(0), "Monitoring");
        QCOMPARE(options.SSTab1->tabText(1), "Alerts && Notifications");
        QCOMPARE(options.SSTab1->tabText(2), "Performance");
        QVERIFY(options.SSTab1->tabBar()->font().bold());
        QCOMPARE(options.Frame1->title(), "Customize the way KOVA Oru monitors this server.");
        QCOMPARE(options.Frame2->title(), "Modify error handling, notifications, and log handling");
        QCOMPARE(options.Frame3->title(), "Performance Tweaks");
        QCOMPARE(options.Check1->text(), "Popup window when alert occurrs?");
        QCOMPARE(options.Label7->text(), "Not working yet...");

        frmAbout about;
        QCOMPARE(about.windowTitle(), "About Kova Oru");
        QCOMPARE(about.size(), QSize(px(6135), px(3900)));
        QCOMPARE(about.palette().color(QPalette::Window), QColor(Qt::black));
        QCOMPARE(about.Command1->text(), "&Ok");
    }

    // Nothing typed into the options window is kept: it opens with its initial values again.
    void optionsKeepNoValue() {
        auto options = std::make_unique<frmOptions>();
        options->show();
        options->Text1->setText("30");
        QTest::mouseClick(options->cmdOk, Qt::LeftButton);
        QVERIFY(!options->isVisible());
        options = std::make_unique<frmOptions>();
        QCOMPARE(options->Text1->text(), "10");
        QCOMPARE(options->Text2->text(), "24");
        QCOMPARE(options->Text3->text(), "120");
    }

    void commandsOpenModalWindows_data() {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("title");
        QTest::newRow("cmdOptions") << "cmdOptions"
                                    << "KOVA Oru Options";
        QTest::newRow("mnuOptions") << "mnuOptions"
                                    << "KOVA Oru Options";
        QTest::newRow("cmdAddNew") << "cmdAddNew"
                                   << "Add New Monitor";
        QTest::newRow("mnuAddFolder") << "mnuAddFolder"
                                      << "Add New Monitor";
        QTest::newRow("mnuAbout") << "mnuAbout"
                                  << "About Kova Oru";
    }
    void commandsOpenModalWindows() {
        QFETCH(QString, command);
        QFETCH(QString, title);
        WindowRig window;
        window->show();
        QString seen;
        QTimer::singleShot(0, [&seen] {
            QWidget* modal = QApplication::activeModalWidget();
            seen = modal ? modal->windowTitle() : QString();
            if (modal)
                modal->close();
        });
        const QHash<QString, std::function<void()>> commands{
            {"cmdOptions", [&] { QTest::mouseClick(window->cmdOptions, Qt::LeftButton); }},
            {"mnuOptions", [&] { window->mnuOptions->trigger(); }},
            {"cmdAddNew", [&] { QTest::mouseClick(window->cmdAddNew, Qt::LeftButton); }},
            {"mnuAddFolder", [&] { window->mnuAddFolder->trigger(); }},
            {"mnuAbout", [&] { window->mnuAbout->trigger(); }}};
        commands.value(command)();
        QCOMPARE(seen, title);
        QCOMPARE(window->findChildren<QDialog*>().size(), 0);
    }

    // Pictures of the four windows, to be looked at.
    void renders() {
        WindowRig window;
        FolderTree tree;
        tree.addRoot();
        tree.addChild({"zDir1", "/srv/incoming", TreeImage::Green});
        tree.addChild({"zDir2", "/srv/outgoing", TreeImage::Yellow});
        tree.addChild({"zDir4", "/srv/failed", TreeImage::Red});
        window->showFolderTree(tree);
        window->showVersion("Version No. 2.2 Build: 2");
        window->agent.log.setText(
            "Connecting to KOVA Server (Get)...\r\nConnection successful. Downloading data.\r\n");
        window->showServerMessage("Registered Computer Name: SRV01\r\nAll settings stored.");
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(&*window));
        save(*window, "frmMain.png");
        window->mnuHideServer->trigger();
        save(*window, "frmMain-hidden.png");
        frmAddNewMonitor add(window->agent);
        save(add, "frmAddNewMonitor.png");
        frmOptions options;
        save(options, "frmOptions.png");
        options.SSTab1->setCurrentIndex(1);
        save(options, "frmOptions-alerts.png");
        frmAbout about;
        save(about, "frmAbout.png");
    }
};

QTEST_MAIN(TestWindowLayout)
#include "TestWindowLayout.moc"
