#include "forms/frmAbout.h"
#include "forms/frmAddNewMonitor.h"
#include "forms/frmOptions.h"
#include "forms/Twips.h"
#include "WindowRig.h"

#include <cmath>
#include <QDir>
#include <QMenuBar>
#include <QtTest>

namespace {

// The layout is laid down in twips; at 96 dots per inch a pixel is 15 of them.
int px(int twips) {
    return static_cast<int>(std::lround(twips / 15.0));
}
QSize pxSize(int width, int height) {
    return {px(width), px(height)};
}

QString caption(const QWidget* control) {
    if (const auto* button = qobject_cast<const QAbstractButton*>(control))
        return button->text();
    const auto* label = qobject_cast<const QLabel*>(control);
    return label ? label->text() : QString();
}

QStringList menuTexts(const QMenu* menu) {
    QStringList texts{menu->title()};
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

    void controls() {
        WindowRig w;
        struct Row {
            QWidget* control;
            QRect twips;
            QString caption;
        };
        const QList<Row> table{{w->cmdOptions, {120, 120, 780, 770}, ""},
                               {w->cmdDelete, {960, 120, 780, 770}, ""},
                               {w->cmdAddNew, {1800, 120, 780, 770}, ""},
                               {w->cmdStart, {2640, 120, 780, 770}, ""},
                               {w->cmdStop, {3480, 120, 780, 770}, ""},
                               {w->cmdRebootNow, {4320, 120, 780, 770}, ""},
                               {w->Image3, {2640, 120, 3000, 2415}, ""},
                               {w->Image1, {6600, 120, 3750, 570}, ""},
                               {w->lblVersionNumber, {6600, 720, 3375, 255}, "Version No: "},
                               {w->Label2, {120, 960, 2535, 375}, "Local Directory Statuses"},
                               {w->Label1, {5640, 960, 3375, 495}, "KOVA Oru Message & Web Postings"},
                               {w->TreeView1, {120, 1200, 4095, 3015}, ""},
                               {w->cmdUpdateNow, {4320, 1200, 1215, 375}, "&Scan Now"},
                               {w->Text1, {5640, 1200, 4335, 3735}, ""},
                               {w->cmdResetAlert, {4320, 1680, 1215, 375}, "&Reset Alert"},
                               {w->cmdHideRight, {4320, 2520, 1215, 375}, "&Hide >>"},
                               {w->cmdMinimize, {4320, 3360, 1215, 375}, "&Close"},
                               {w->Command2, {4320, 3840, 1215, 375}, "Shut&Down"},
                               {w->Label3, {840, 4320, 2895, 375}, "Current Alert Status:"},
                               {w->Image2, {3240, 4250, 750, 750}, ""},
                               {w->Label4, {120, 4920, 3375, 375}, "Information from KOVA Server"},
                               {w->Text3, {120, 5160, 9855, 1215}, ""}};
        for (const Row& row : table) {
            const QRect expected(px(row.twips.x()), px(row.twips.y()), px(row.twips.width()),
                                 px(row.twips.height()));
            QVERIFY2(row.control->geometry() == expected && caption(row.control) == row.caption,
                     qPrintable(row.caption + " at " + QString::number(row.twips.x())));
        }
        // Created back to front: the decoration lies behind the buttons.
        QCOMPARE(w->centralWidget()->children().indexOf(w->Image3), 0);
    }

    void look() {
        WindowRig w;
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(&*w));
        QCOMPARE(w->windowTitle(), "KOVA Oru");
        QCOMPARE(w->centralWidget()->size(), pxSize(10095, 6480));
        QVERIFY(w->windowFlags().testFlag(Qt::WindowMinimizeButtonHint));
        QVERIFY(!w->windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
        QCOMPARE(w->centralWidget()->palette().color(QPalette::Window), QColor(Qt::black));
        QCOMPARE(w->Label1->palette().color(QPalette::WindowText), QColor(255, 255, 192));
        QCOMPARE(w->cmdUpdateNow->font().families().value(0), "Century Gothic");
        QCOMPARE(w->cmdUpdateNow->font().pointSizeF(), 8.25);
        QCOMPARE(w->Label2->font().pointSizeF(), 9.75);
        QVERIFY(w->Label3->font().bold() && w->Label3->font().pointSizeF() == 12.0);
        QCOMPARE(w->Image2->pixmap().toImage(), QPixmap(":/status/CheckMark.gif").toImage());
        QVERIFY(!w->cmdStart->isEnabled() && !w->mnuStartMonitor->isEnabled());
    }

    void menus() {
        WindowRig w;
        const QList<std::pair<QMenu*, QList<QAction*>>> menus{
            {w->mnuFile, {w->mnuStartMonitor, w->mnuStopMonitor, w->mnuLine2, w->mnuClose, w->mnuShutdown}},
            {w->mnuOruTools,
             {w->mnuResetAlert, w->mnuHideServer, w->mnuAddFolder, w->mnuDeletefolder, w->mnuLine1,
              w->mnuOptions}},
            {w->mnuSysTool, {w->mnuIPNumber, w->mnuReboot}},
            {w->mnuHelp, {w->mnuAbout, w->mnuWebsite}}};
        QStringList shown;
        for (qsizetype i = 0; i < menus.size(); ++i) {
            QCOMPARE(w->menuBar()->actions().value(i), menus[i].first->menuAction());
            QCOMPARE(menus[i].first->actions(), menus[i].second);
            shown << menuTexts(menus[i].first).join(" | ");
        }
        QCOMPARE(shown,
                 (QStringList{
                     "File | Start Monitoring | Stop Monitor | - | Close | Shutdown Oru",
                     "Oru Tools | Reset Alerts Now | Hide Server Messages | Add Folder | Delete Folder | - | "
                     "Options",
                     "System Tools | Print IP Address | Reboot Server Now",
                     "Help | About | Visit KOVA-Oru Website"}));
    }

    // Both commands share one state, so either undoes the other; each sets its own sizes.
    void hideAndShowServerArea() {
        WindowRig w;
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(&*w));
        w->mnuHideServer->trigger();
        QCOMPARE(w->frameGeometry().size(), pxSize(5685, 5340));
        QCOMPARE(w->cmdHideRight->text(), "Show >>");
        QVERIFY(w->ServerPanelHidden && w->Text3->isHidden() && w->Label4->isHidden());

        QTest::mouseClick(w->cmdHideRight, Qt::LeftButton);
        QCOMPARE(w->frameGeometry().size(), pxSize(10185, 7140));
        QCOMPARE(w->cmdHideRight->text(), "Hide >>");
        QVERIFY(!w->ServerPanelHidden && w->Text3->isVisible() && w->Label4->isVisible());

        QTest::mouseClick(w->cmdHideRight, Qt::LeftButton);
        QCOMPARE(w->frameGeometry().size(), pxSize(5670, 5625));
        w->mnuHideServer->trigger();
        QCOMPARE(w->frameGeometry().size(), pxSize(10185, 6855));
        QCOMPARE(w->mnuHideServer->text(), "Hide Server Messages");
    }

    // Each command opens its window modally, created for the occasion and gone once closed.
    void modalWindows() {
        WindowRig w;
        w->show();
        const QList<std::pair<std::function<void()>, QString>> commands{
            {[&] { QTest::mouseClick(w->cmdOptions, Qt::LeftButton); }, "KOVA Oru Options 6780x3120"},
            {[&] { w->mnuAddFolder->trigger(); }, "Add New Monitor 6840x3855"},
            {[&] { w->mnuAbout->trigger(); }, "About Kova Oru 6135x3900"}};
        for (const auto& [command, expected] : commands) {
            QString seen;
            QTimer::singleShot(0, [&seen] {
                QWidget* modal = QApplication::activeModalWidget();
                seen = QStringLiteral("%1 %2x%3")
                           .arg(modal->windowTitle())
                           .arg(modal->width() * 15)
                           .arg(modal->height() * 15);
                modal->close();
            });
            command();
            QCOMPARE(seen, expected);
            QVERIFY(w->findChildren<QDialog*>().isEmpty());
        }
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
    }

    // Pictures of the four windows, to be looked at.
    void renders() {
        WindowRig w;
        FolderTree tree;
        tree.addRoot();
        tree.addChild({"zDir1", "/srv/incoming", TreeImage::Green});
        tree.addChild({"zDir2", "/srv/outgoing", TreeImage::Yellow});
        tree.addChild({"zDir4", "/srv/failed", TreeImage::Red});
        w->showFolderTree(tree);
        w->showVersion("Version No. 2.2 Build: 2");
        w->agent.log.setText(
            "Connecting to KOVA Server (Get)...\r\nConnection successful. Downloading data.\r\n");
        w->showServerMessage("Registered Computer Name: SRV01\r\nAll settings stored.");
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(&*w));
        save(*w, "frmMain.png");
        w->mnuHideServer->trigger();
        save(*w, "frmMain-hidden.png");
        frmAddNewMonitor add(w->agent);
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
