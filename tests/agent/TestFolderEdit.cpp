#include "forms/frmAddNewMonitor.h"
#include "modules/DriveChoice.h"
#include "modules/FolderSlotRules.h"
#include "platform/Drives.h"
#include "WindowRig.h"

#include <QDir>
#include <QtTest>

using namespace mdlFolderEdit;
using platform::MessageBox;

namespace {

class FakeDrives final : public platform::Drives {
public:
    std::vector<platform::Drive> drives;
    std::vector<platform::Drive> list() override { return drives; }
    std::optional<quint64> totalFreeBytes(const QString&) override { return std::nullopt; }
};

QStringList shownTitles() {
    QStringList titles;
    for (const platform::ShownBox& box : MessageBox::shown())
        titles << box.title;
    return titles;
}

void setSlots(AgentState& state, const QStringList& dirs) {
    for (int k = 1; k <= kSlotCount; ++k) {
        state.Dir[k] = dirs.value(k - 1);
        state.Alert[k] = dirs.value(k - 1).isEmpty() ? QString() : QStringLiteral("5");
    }
}

void clickNode(frmMain& window, const QString& key) {
    for (QTreeWidgetItemIterator it(window.TreeView1); *it; ++it) {
        if ((*it)->data(0, Qt::UserRole).toString() == key) {
            const QPoint centre = window.TreeView1->visualItemRect(*it).center();
            QTest::mouseClick(window.TreeView1->viewport(), Qt::LeftButton, {}, centre);
            return;
        }
    }
    QFAIL(qPrintable("no tree node " + key));
}

// Runs a cycle on the window, which builds the tree from the slots the server hands out.
void showSlots(WindowRig& rig, const QStringList& dirs) {
    QStringList alerts;
    for (const QString& dir : dirs)
        alerts << (dir.isEmpty() ? QString() : QStringLiteral("5"));
    rig.server.serve(Answer::http(200, settingsReply(dirs, alerts)));
    rig->agent.tree.addRoot();
    rig->agent.RunServerInfoNow();
}

} // namespace

class TestFolderEdit : public QObject {
    Q_OBJECT
    QTemporaryDir folders;
    QString watched; // the folder the add window has open

private slots:
    void initTestCase() {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        QVERIFY(QDir(folders.path()).mkpath("watched/inbox"));
        watched = QDir::toNativeSeparators(folders.filePath("watched"));
    }

    void fileLimit_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("value");
        const int empty = int(FileLimit::Kind::Empty), invalid = int(FileLimit::Kind::Invalid),
                  valid = int(FileLimit::Kind::Valid);
        QTest::newRow("empty") << "" << empty << 0;
        QTest::newRow("blanks only") << "   " << invalid << 0;
        QTest::newRow("zero") << "0" << invalid << 0;
        QTest::newRow("lowest") << "1" << valid << 1;
        QTest::newRow("highest") << "9999" << valid << 9999;
        QTest::newRow("above") << "10000" << invalid << 0;
        QTest::newRow("negative") << "-3" << invalid << 0;
        QTest::newRow("surrounding blanks") << " 7 " << valid << 7;
        QTest::newRow("leading zeros") << "007" << valid << 7;
        QTest::newRow("half down to even") << "2.5" << valid << 2;
        QTest::newRow("half up to even") << "3.5" << valid << 4;
        QTest::newRow("rounds to zero") << "0.4" << invalid << 0;
        QTest::newRow("rounds past the top") << "9999.5" << invalid << 0;
        QTest::newRow("letters") << "abc" << invalid << 0;
        QTest::newRow("group separator") << "1,00" << invalid << 0;
    }
    void fileLimit() {
        QFETCH(QString, text);
        QFETCH(int, kind);
        QFETCH(int, value);
        const FileLimit limit = parseFileLimit(text);
        QCOMPARE(int(limit.kind), kind);
        if (limit.kind == FileLimit::Kind::Valid)
            QCOMPARE(limit.value, value);
    }

    void slotRules() {
        AgentState state;
        QCOMPARE(lowestFreeSlot(state), 1);
        setSlots(state, {"/a", "", "/c"});
        QCOMPARE(lowestFreeSlot(state), 2);
        setSlots(state, {"0", "  "});
        QCOMPARE(lowestFreeSlot(state), 2); // "0" is a path, blanks are none
        setSlots(state, QStringList(kSlotCount, "/x"));
        QCOMPARE(lowestFreeSlot(state), std::nullopt);

        QCOMPARE(slotOfNodeKey("zDir1"), 1);
        QCOMPARE(slotOfNodeKey("zDir10"), 10);
        for (const QString& other :
             QStringList{"", "FolderStatus", "zdir1", "zDir0", "zDir11", "zDir01", "zDir1 "})
            QCOMPARE(slotOfNodeKey(other), std::nullopt);

        QVERIFY(travelsInSettings("/srv/a,b"));
        QVERIFY(!travelsInSettings("/srv/Reports, 2026"));
    }

    void driveChoice() {
        const std::vector<platform::Drive> drives{
            {"/", true, true}, {"/proc", false, true}, {"/home", true, true}, {"/media/card", false, false}};
        const QStringList offered = drivesToOffer(drives);
        QCOMPARE(offered, (QStringList{"/", "/home", "/media/card"}));
        QCOMPARE(driveOfFolder(offered, "/home/ops/inbox"), "/home");
        QCOMPARE(driveOfFolder(offered, "/homework"), "/");
        QCOMPARE(driveOfFolder(offered, "/home"), "/home");
        QCOMPARE(driveOfFolder({"/home"}, "/srv"), "");
    }

    // Every add that passes its checks is reported at once and followed by a cycle; a refused one changes
    // nothing and keeps the window open.
    void add_data() {
        QTest::addColumn<QStringList>("dirs");
        QTest::addColumn<QString>("limit");
        QTest::addColumn<QString>("message");
        QTest::addColumn<int>("slot");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<bool>("closes");
        QTest::newRow("fresh window") << QStringList() << "0"
                                      << "Unexpected Error" << 0 << "" << false;
        QTest::newRow("no limit") << QStringList() << ""
                                  << "No file limit" << 0 << "" << false;
        QTest::newRow("not a number") << QStringList() << "12a"
                                      << "Unexpected Error" << 0 << "" << false;
        QTest::newRow("highest limit") << QStringList() << "9999"
                                       << "" << 1 << "9999" << true;
        QTest::newRow("blanks around") << QStringList() << " 7 "
                                       << "" << 1 << "7" << true;
        QTest::newRow("half to even") << QStringList() << "2.5"
                                      << "" << 1 << "2" << true;
        QTest::newRow("gap filled first") << QStringList{"/a", "", "/c"} << "5"
                                          << "" << 2 << "5" << true;
        QTest::newRow("path 0 is no gap") << QStringList{"0"} << "5"
                                          << "" << 2 << "5" << true;
        QTest::newRow("same folder twice") << QStringList{"@watched"} << "5"
                                           << "" << 2 << "5" << true;
        QTest::newRow("all ten used") << QStringList(kSlotCount, "/x") << "5"
                                      << "No more free slots" << 0 << "" << true;
    }
    void add() {
        QFETCH(QStringList, dirs);
        QFETCH(QString, limit);
        QFETCH(QString, message);
        QFETCH(int, slot);
        QFETCH(QString, stored);
        QFETCH(bool, closes);
        dirs.replaceInStrings("@watched", watched);
        WindowRig rig;
        setSlots(rig.state, dirs);
        rig.server.serve(Answer::http(200, settingsReply(dirs)));
        frmAddNewMonitor window(rig->agent);
        window.show();
        QString error;
        QVERIFY(window.Dir1->setPath(watched, &error));
        window.Text1->clear();
        QTest::keyClicks(window.Text1, limit);
        QTest::mouseClick(window.cmdOk, Qt::LeftButton);

        QCOMPARE(shownTitles(), message.isEmpty() ? QStringList() : QStringList{message});
        QCOMPARE(window.isVisible(), !closes);
        const QList<ReceivedRequest> requests = rig.server.requests();
        if (!closes) {
            QVERIFY(requests.isEmpty());
            QCOMPARE(rig.state.Dir[1], dirs.value(0));
            return;
        }
        // The report first, then the cycle's settings request and its report.
        QCOMPARE(requests.size(), 3);
        QVERIFY(isReport(requests[0]) && !isReport(requests[1]) && isReport(requests[2]));
        const auto fields = reportFields(requests[0]);
        for (int k = 1; k <= kSlotCount; ++k) {
            QCOMPARE(fields.value(QStringLiteral("sDir%1").arg(k)), k == slot ? watched : dirs.value(k - 1));
            if (k == slot)
                QCOMPARE(fields.value(QStringLiteral("sAlert%1").arg(k)), stored);
        }
    }

    void limitBoxTakesFourCharacters() {
        WindowRig rig;
        frmAddNewMonitor window(rig->agent);
        window.Text1->clear();
        QTest::keyClicks(window.Text1, "12345");
        QCOMPARE(window.Text1->text(), "1234");
    }

    // Only the folder the list has open is taken: highlighting a subfolder changes nothing, a double click
    // opens it.
    void openFolderIsTaken() {
        WindowRig rig;
        frmAddNewMonitor window(rig->agent);
        window.show();
        QString error;
        QVERIFY(window.Dir1->setPath(watched, &error));
        const QList<QTreeWidgetItem*> found = window.Dir1->findItems("inbox", Qt::MatchRecursive);
        QCOMPARE(found.size(), 1);
        const QPoint centre = window.Dir1->visualItemRect(found[0]).center();
        QTest::mouseClick(window.Dir1->viewport(), Qt::LeftButton, {}, centre);
        QCOMPARE(window.Dir1->path(), watched);
        QTest::mouseDClick(window.Dir1->viewport(), Qt::LeftButton, {}, centre);
        const QString inbox = QDir::toNativeSeparators(folders.filePath("watched/inbox"));
        QCOMPARE(window.Dir1->path(), inbox);
        QCOMPARE(window.lblOpenFolder->text(), inbox);
    }

    // A ", " in the path would split the folder in two in the settings reply and shift every later setting.
    void folderWithCommaBlankRefused() {
        QVERIFY(QDir(folders.path()).mkpath("Reports, 2026"));
        WindowRig rig;
        frmAddNewMonitor window(rig->agent);
        window.show();
        QString error;
        QVERIFY(window.Dir1->setPath(folders.filePath("Reports, 2026"), &error));
        window.Text1->setText("5");
        QTest::mouseClick(window.cmdOk, Qt::LeftButton);
        QCOMPARE(shownTitles(), QStringList{"Folder not supported"});
        QVERIFY(MessageBox::shown()[0].text.contains(window.Dir1->path()));
        QVERIFY(window.isVisible());
        QVERIFY(rig.server.requests().isEmpty());
        QVERIFY(rig.state.Dir[1].isEmpty());
    }

    void driveThatCannotBeOpened() {
        FakeDrives drives;
        drives.drives = {{"/", true, true}, {folders.filePath("no-card"), false, false}};
        platform::ScopedFake<platform::Drives> fake(drives);
        WindowRig rig;
        frmAddNewMonitor window(rig->agent);
        QString error;
        QVERIFY(window.Dir1->setPath(watched, &error));
        const int before = window.Dir1->topLevelItemCount();
        window.Drive1->setCurrentIndex(1);
        QCOMPARE(shownTitles(), QStringList{"Drive not ready"});
        QCOMPARE(window.Dir1->path(), watched);
        QCOMPARE(window.Dir1->topLevelItemCount(), before);
        QCOMPARE(window.Drive1->currentText(), "/");
        window.Drive1->setCurrentIndex(-1);
        window.Drive1->setCurrentIndex(0);
        QCOMPARE(window.Dir1->path(), QDir::toNativeSeparators("/"));
    }

    // The question is always asked; only Yes with a clicked node goes on, and then the report and a cycle
    // follow even when the node was no folder.
    void remove_data() {
        QTest::addColumn<QString>("click");
        QTest::addColumn<bool>("yes");
        QTest::addColumn<int>("cleared");
        QTest::addColumn<bool>("posted");
        QTest::newRow("nothing clicked") << "" << true << 0 << false;
        QTest::newRow("answered no") << "zDir1" << false << 0 << false;
        QTest::newRow("root") << "FolderStatus" << true << 0 << true;
        QTest::newRow("slot 1") << "zDir1" << true << 1 << true;
        QTest::newRow("slot 10 is not slot 1") << "zDir10" << true << 10 << true;
    }
    void remove() {
        QFETCH(QString, click);
        QFETCH(bool, yes);
        QFETCH(int, cleared);
        QFETCH(bool, posted);
        WindowRig rig;
        QStringList dirs(kSlotCount, "");
        dirs[0] = folders.filePath("watched");
        dirs[9] = folders.filePath("watched/inbox");
        showSlots(rig, dirs);
        const qsizetype before = rig.server.requests().size();
        rig->show();
        if (!click.isEmpty())
            clickNode(*rig, click);
        MessageBox::setNextAnswers({yes});
        QTest::mouseClick(rig->cmdDelete, Qt::LeftButton);

        QCOMPARE(shownTitles(), QStringList{"Stop Monitoring?"});
        QVERIFY(MessageBox::shown()[0].question);
        const QList<ReceivedRequest> requests = rig.server.requests().mid(before);
        QCOMPARE(requests.size(), posted ? 3 : 0);
        if (!posted)
            return;
        const auto fields = reportFields(requests[0]);
        for (int k = 1; k <= kSlotCount; ++k) {
            QCOMPARE(fields.value(QStringLiteral("sDir%1").arg(k)), k == cleared ? QString() : dirs[k - 1]);
            QCOMPARE(fields.value(QStringLiteral("sAlert%1").arg(k)).isEmpty(),
                     k == cleared || dirs[k - 1].isEmpty());
        }
    }

    void menuDeletesLikeTheButton() {
        WindowRig rig;
        showSlots(rig, {folders.filePath("watched")});
        rig->show();
        clickNode(*rig, "zDir1");
        MessageBox::setNextAnswers({true});
        rig->mnuDeletefolder->trigger();
        QCOMPARE(reportFields(rig.server.requests().at(2)).value("sDir1"), "");
    }

    // An edit made while an earlier report still waits for its reply is not posted: the upload returns at
    // once, and the cycle that follows brings back the slots as the server holds them.
    void editWhileReportWaits_data() {
        QTest::addColumn<bool>("adding");
        QTest::newRow("add") << true;
        QTest::newRow("delete") << false;
    }
    void editWhileReportWaits() {
        QFETCH(bool, adding);
        WindowRig rig;
        const QString kept = folders.filePath("watched");
        showSlots(rig, {kept});
        const QByteArray reply = settingsReply({kept}, {"5"});
        // The responder's script counts every request it has had.
        const qsizetype before = rig.server.requests().size();
        QList<Answer> script(before + 1, Answer::http(200, reply));
        rig.server.serve(script << Answer::silent() << Answer::http(200, reply));
        rig->show();

        bool editClosed = false;
        connect(&rig.server, &LoopbackResponder::requestReceived, this, [&] {
            if (rig.server.requests().size() != before + 2)
                return;
            QTimer::singleShot(0, this, [&] {
                if (adding) {
                    frmAddNewMonitor window(rig->agent);
                    window.show();
                    QString error;
                    window.Dir1->setPath(folders.filePath("watched/inbox"), &error);
                    window.Text1->setText("9");
                    QTest::mouseClick(window.cmdOk, Qt::LeftButton);
                    editClosed = !window.isVisible();
                } else {
                    clickNode(*rig, "zDir1");
                    MessageBox::setNextAnswers({true});
                    QTest::mouseClick(rig->cmdDelete, Qt::LeftButton);
                    editClosed = true;
                }
            });
        });
        rig->agent.RunServerInfoNow();

        QVERIFY(editClosed);
        const QList<ReceivedRequest> requests = rig.server.requests().mid(before);
        QCOMPARE(requests.size(), 3); // settings, the waiting report, and the edit's settings request only
        QVERIFY(!isReport(requests[0]) && isReport(requests[1]) && !isReport(requests[2]));
        QCOMPARE(rig.state.Dir[1], kept);
        QVERIFY(rig.state.Dir[2].isEmpty());
        QCOMPARE(rig->TreeView1->topLevelItem(0)->childCount(), 1);
        QCOMPARE(MessageBox::shown().size(), adding ? 0 : 1);
        // What the operator sees: the edit's own cycle went well, then the earlier report failed; nothing
        // says that the edit was dropped.
        QCOMPARE(rig->Text1->toPlainText(),
                 "Connecting to KOVA Server (Get)...\nConnection successful. Downloading "
                 "data.\nDownload successful.\nConnection failed to KOVA Server (Send).\n");
    }
};

QTEST_MAIN(TestFolderEdit)
#include "TestFolderEdit.moc"
