#include "forms/frmAbout.h"
#include "forms/frmAddNewMonitor.h"
#include "forms/frmOptions.h"
#include "forms/Twips.h"
#include "forms/WindowStyle.h"
#include "WindowRig.h"

#include <cmath>
#include <QDir>
#include <QHeaderView>
#include <QScrollBar>
#include <QtTest>

namespace {

// The layout is laid down in twips; at 96 dots per inch a pixel is 15 of them.
int px(int twips) {
    return static_cast<int>(std::lround(twips / 15.0));
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
        const QList<std::tuple<QWidget*, QRect, QString>> table{
            {w->cmdOptions, {120, 120, 780, 770}, ""},
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
        for (const auto& [control, twips, text] : table) {
            const QRect expected(px(twips.x()), px(twips.y()), px(twips.width()), px(twips.height()));
            QVERIFY2(control->geometry() == expected && control->property("text").toString() == text,
                     qPrintable(text + " at " + QString::number(twips.x())));
        }
        // Created back to front: the decoration lies behind the buttons.
        QCOMPARE(w->centralWidget()->children().indexOf(w->Image3), 0);
    }

    // The heading before the status picture keeps its words and its place, whatever face stands in for
    // "Century Gothic": only its size gives way, so a wider face does not run under the picture.
    void headingFitsBeforeTheStatusPicture_data() {
        QTest::addColumn<double>("roomShare");
        QTest::addColumn<bool>("shrinks");
        QTest::newRow("room to spare") << 1.5 << false;
        QTest::newRow("exactly its width") << 1.0 << false;
        QTest::newRow("a tenth too narrow") << 0.9 << true;
        QTest::newRow("half its width") << 0.5 << true;
    }
    void headingFitsBeforeTheStatusPicture() {
        QFETCH(double, roomShare);
        QFETCH(bool, shrinks);
        const QString text = QStringLiteral("Current Alert Status:");
        const QFont wanted = gothicFont(12, true);
        const int room = int(QFontMetrics(wanted).horizontalAdvance(text) * roomShare);
        const QFont fitted = fittingFont(wanted, text, room);
        QCOMPARE(fitted.pointSizeF() < wanted.pointSizeF(), shrinks);
        QVERIFY(QFontMetrics(fitted).horizontalAdvance(text) <= room);
        QCOMPARE(fitted.bold(), true);

        WindowRig w;
        QVERIFY(w->Label3->x() + QFontMetrics(w->Label3->font()).horizontalAdvance(w->Label3->text()) <=
                w->Image2->x());
    }

    // Far too little room: the smallest size, never an unreadable one.
    void headingNeverShrinksPastReading() {
        QCOMPARE(fittingFont(gothicFont(12, true), QStringLiteral("Current Alert Status:"), 10).pointSizeF(),
                 6.0);
    }

    // Pictures of the four windows, to be looked at; on the way the server area is hidden with the menu and
    // shown with the button, each command setting its own outer size.
    void rendersAndHidesTheServerArea() {
        WindowRig w;
        FolderTree tree;
        tree.addRoot();
        tree.addChild({"zDir1", "/srv/incoming", TreeImage::Green});
        tree.addChild({"zDir4", "/srv/failed", TreeImage::Red});
        w->showFolderTree(tree);
        w->showVersion("Version No. 2.2 Build: 2");
        w->showServerMessage("Registered Computer Name: SRV01\r\nAll settings stored.");
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.window.get()));
        save(*w.window, "frmMain.png");
        w->mnuHideServer->trigger();
        QCOMPARE(w->frameGeometry().size(), QSize(px(5685), px(5340)));
        QVERIFY(w->cmdHideRight->text() == "Show >>" && w->Text3->isHidden() && w->Label4->isHidden());
        save(*w.window, "frmMain-hidden.png");
        QTest::mouseClick(w->cmdHideRight, Qt::LeftButton);
        QCOMPARE(w->frameGeometry().size(), QSize(px(10185), px(7140)));
        QVERIFY(w->cmdHideRight->text() == "Hide >>" && w->Text3->isVisible() && w->Label4->isVisible());

        frmAddNewMonitor add(w->agent());
        save(add, "frmAddNewMonitor.png");
        frmOptions options;
        save(options, "frmOptions.png");
        frmAbout about;
        save(about, "frmAbout.png");
    }

    // A long folder path is shown whole, a horizontal scroll bar away, and the rebuilt tree is scrolled to
    // its last folder.
    void folderTreeShowsWholePathsAndItsLastFolder() {
        WindowRig w;
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.window.get()));
        const QString longPath = w.folder.filePath(QString("a-very-long-folder-name-").repeated(5));
        QVERIFY(QDir().mkpath(longPath));
        QStringList dirs(kSlotCount, w.folder.path());
        dirs.last() = longPath;
        w.runCycle(dirs, QStringList(kSlotCount, "1000"));

        QTreeWidget* tree = w->TreeView1;
        QTreeWidgetItem* last = tree->topLevelItem(0)->child(kSlotCount - 1);
        QVERIFY(last && last->text(0) == longPath);
        QVERIFY(tree->horizontalScrollBar()->maximum() > 0);
        QVERIFY(tree->header()->sectionSize(0) > tree->fontMetrics().horizontalAdvance(longPath));
        const QRect shown = tree->visualItemRect(last);
        QVERIFY2(shown.top() >= 0 && shown.bottom() <= tree->viewport()->height(),
                 qPrintable(QString::number(shown.top())));
    }
};

QTEST_MAIN(TestWindowLayout)
#include "TestWindowLayout.moc"
