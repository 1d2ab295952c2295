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

QString slotField(const ReceivedRequest& report, const char* stem, int k) {
    return reportFields(report.body).value(QLatin1String(stem) + QString::number(k));
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
        QVERIFY(QDir(folders.path()).mkpath("Reports, 2026"));
        watched = QDir::toNativeSeparators(folders.filePath("watched"));
    }

    void fileLimit() {
        const QList<std::pair<QString, QString>> cases{
            {"", "empty"},      {"   ", "invalid"},   {"0", "invalid"},     {"1", "1"},
            {"9999", "9999"},   {"10000", "invalid"}, {"-3", "invalid"},    {" 7 ", "7"},
            {"007", "7"},       {"2.5", "2"},         {"3.5", "4"},         {"0.4", "invalid"},
            {"abc", "invalid"}, {"1,00", "invalid"},  {"9999.5", "invalid"}};
        for (const auto& [text, expected] : cases) {
            const FileLimit limit = parseFileLimit(text);
            const QString seen = limit.kind == FileLimit::Kind::Empty     ? "empty"
                                 : limit.kind == FileLimit::Kind::Invalid ? "invalid"
                                                                          : QString::number(limit.value);
            QVERIFY2(seen == expected, qPrintable('"' + text + "\" gave " + seen));
        }
    }

    void slotRules() {
        AgentState state;
        setSlots(state, {"/a", "", "/c"});
        QCOMPARE(lowestFreeSlot(state), 2);
        setSlots(state, {"0", "  "});
        QCOMPARE(lowestFreeSlot(state), 2); // "0" is a path, blanks are none
        setSlots(state, QStringList(kSlotCount, "/x"));
        QCOMPARE(lowestFreeSlot(state), std::nullopt);

        QCOMPARE(slotOfNodeKey("zDir10"), 10);
        for (const QString& other : QStringList{"", "FolderStatus", "zdir1", "zDir0", "zDir11", "zDir01"})
            QCOMPARE(slotOfNodeKey(other), std::nullopt);
        QVERIFY(travelsInSettings("/srv/a,b"));
        QVERIFY(!travelsInSettings("/srv/Reports, 2026"));
    }

    void driveChoice() {
        const QStringList offered = drivesToOffer({{"/", true, true},
                                                   {"/proc", false, true},
                                                   {"/home", true, true},
                                                   {"/media/card", false, false}});
        QCOMPARE(offered, (QStringList{"/", "/home", "/media/card"}));
        QCOMPARE(driveOfFolder(offered, "/home/ops/inbox"), "/home");
        QCOMPARE(driveOfFolder(offered, "/homework"), "/");
        QCOMPARE(driveOfFolder({"/home"}, "/srv"), "");
    }

    // An add that passes its checks is reported at once and followed by a cycle; a refused one changes
    // nothing and keeps the window open.
    void add_data() {
        QTest::addColumn<QStringList>("dirs");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("message");
        QTest::addColumn<int>("slot");
        QTest::addColumn<QString>("stored");
        QTest::newRow("fresh window") << QStringList() << "0"
                                      << "Unexpected Error" << 0 << "";
        QTest::newRow("no limit") << QStringList() << ""
                                  << "No file limit" << 0 << "";
        QTest::newRow("not a number") << QStringList() << "12a"
                                      << "Unexpected Error" << 0 << "";
        QTest::newRow("fifth character refused") << QStringList() << "99999"
                                                 << "" << 1 << "9999";
        QTest::newRow("blanks around") << QStringList() << " 7 "
                                       << "" << 1 << "7";
        QTest::newRow("half to even") << QStringList() << "2.5"
                                      << "" << 1 << "2";
        QTest::newRow("gap filled first") << QStringList{"/a", "", "/c"} << "5"
                                          << "" << 2 << "5";
        QTest::newRow("path 0 is no gap") << QStringList{"0"} << "5"
                                          << "" << 2 << "5";
        QTest::newRow("same folder twice") << QStringList{"@watched"} << "5"
                                           << "" << 2 << "5";
        QTest::newRow("all ten used") << QStringList(kSlotCount, "/x") << "5"
                                      << "No more free slots" << 0 << "";
    }
    void add() {
        QFETCH(QStringList, dirs);
        QFETCH(QString, typed);
        QFETCH(QString, message);
        QFETCH(int, slot);
        QFETCH(QString, stored);
        dirs.replaceInStrings("@watched", watched);
        WindowRig rig;
        setSlots(rig.state, dirs);
        rig.server.serve(Answer::http(200, settingsReplyWithFolders(dirs)));
        frmAddNewMonitor window(rig->agent);
        window.show();
        QString error;
        QVERIFY(window.Dir1->setPath(watched, &error));
        window.Text1->clear();
        QTest::keyClicks(window.Text1, typed);
        QTest::mouseClick(window.cmdOk, Qt::LeftButton);

        QCOMPARE(shownTitles(), message.isEmpty() ? QStringList() : QStringList{message});
        const bool closes = slot > 0 || message == "No more free slots";
        QCOMPARE(window.isVisible(), !closes);
        const QList<ReceivedRequest> requests = rig.server.requests();
        if (!closes) {
            QVERIFY(requests.isEmpty());
            QVERIFY(rig.state.Dir[1].isEmpty());
            return;
        }
        // The report first, then the cycle's settings request and its report.
        QCOMPARE(requests.size(), 3);
        QVERIFY(isReport(requests[0]) && !isReport(requests[1]) && isReport(requests[2]));
        for (int k = 1; k <= kSlotCount; ++k)
            QCOMPARE(slotField(requests[0], "sDir", k), k == slot ? watched : dirs.value(k - 1));
        if (slot > 0)
            QCOMPARE(slotField(requests[0], "sAlert", slot), stored);
    }

    // Only the folder the list has open is taken: highlighting a subfolder changes nothing, a double click
    // opens it.
    void openFolderIsTaken() {
        WindowRig rig;
        frmAddNewMonitor window(rig->agent);
        window.show();
        QString error;
        QVERIFY(window.Dir1->setPath(watched, &error));
        const QPoint inboxEntry =
            window.Dir1->visualItemRect(window.Dir1->findItems("inbox", Qt::MatchRecursive).value(0))
                .center();
        QTest::mouseClick(window.Dir1->viewport(), Qt::LeftButton, {}, inboxEntry);
        QCOMPARE(window.Dir1->path(), watched);
        QTest::mouseDClick(window.Dir1->viewport(), Qt::LeftButton, {}, inboxEntry);
        const QString inbox = QDir::toNativeSeparators(folders.filePath("watched/inbox"));
        QCOMPARE(window.Dir1->path(), inbox);
        QCOMPARE(window.lblOpenFolder->text(), inbox);
    }

    // A ", " in the path would split the folder in two in the settings reply and shift every later setting.
    void folderWithCommaBlankRefused() {
        WindowRig rig;
        frmAddNewMonitor window(rig->agent);
        window.show();
        QString error;
        QVERIFY(window.Dir1->setPath(folders.filePath("Reports, 2026"), &error));
        window.Text1->setText("5");
        QTest::mouseClick(window.cmdOk, Qt::LeftButton);
        QCOMPARE(shownTitles(), QStringList{"Folder not supported"});
        QVERIFY(MessageBox::shown()[0].text.contains(window.Dir1->path()));
        QVERIFY(window.isVisible() && rig.server.requests().isEmpty() && rig.state.Dir[1].isEmpty());
    }

    void driveThatCannotBeOpened() {
        FakeDrives drives;
        drives.drives = {{"/", true, true}, {folders.filePath("no-card"), false, false}};
        platform::ScopedFake<platform::Drives> fake(drives);
        WindowRig rig;
        frmAddNewMonitor window(rig->agent);
        QString error;
        QVERIFY(window.Dir1->setPath(watched, &error));
        window.Drive1->setCurrentIndex(1);
        QCOMPARE(shownTitles(), QStringList{"Drive not ready"});
        QCOMPARE(window.Dir1->path(), watched);
        QCOMPARE(window.Drive1->currentText(), "/");
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
        QTest::newRow("root, from the menu") << "FolderStatus" << true << 0 << true;
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
        rig.runCycle(dirs);
        const qsizetype before = rig.server.requests().size();
        rig->show();
        clickNode(*rig, click);
        MessageBox::setNextAnswers({yes});
        if (click == FolderTree::kRootKey)
            rig->mnuDeletefolder->trigger();
        else
            QTest::mouseClick(rig->cmdDelete, Qt::LeftButton);

        QCOMPARE(shownTitles(), QStringList{"Stop Monitoring?"});
        const QList<ReceivedRequest> requests = rig.server.requests().mid(before);
        QCOMPARE(requests.size(), posted ? 3 : 0);
        for (int k = 1; posted && k <= kSlotCount; ++k) {
            QCOMPARE(slotField(requests[0], "sDir", k), k == cleared ? QString() : dirs[k - 1]);
            QCOMPARE(slotField(requests[0], "sAlert", k).isEmpty(), k == cleared || dirs[k - 1].isEmpty());
        }
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
        rig.runCycle({kept});
        // The responder's script counts every request it has had: the next cycle's report goes unanswered.
        const qsizetype before = rig.server.requests().size();
        const Answer reply = Answer::http(200, settingsReplyWithFolders({kept}, {"5"}));
        rig.server.serve(QList<Answer>(before + 1, reply) << Answer::silent() << reply);
        rig->show();
        connect(&rig.server, &LoopbackResponder::requestReceived, this, [&] {
            if (rig.server.requests().size() != before + 2)
                return;
            QTimer::singleShot(0, this, [&] {
                if (adding) {
                    frmAddNewMonitor window(rig->agent);
                    QString error;
                    window.Dir1->setPath(folders.filePath("watched/inbox"), &error);
                    window.Text1->setText("9");
                    window.cmdOk_Click();
                    return;
                }
                clickNode(*rig, "zDir1");
                MessageBox::setNextAnswers({true});
                QTest::mouseClick(rig->cmdDelete, Qt::LeftButton);
            });
        });
        rig->agent.RunServerInfoNow();

        const QList<ReceivedRequest> requests = rig.server.requests().mid(before);
        QCOMPARE(requests.size(), 3); // settings, the waiting report, and the edit's settings request only
        QVERIFY(!isReport(requests[0]) && isReport(requests[1]) && !isReport(requests[2]));
        QCOMPARE(rig.state.Dir[1], kept);
        QVERIFY(rig.state.Dir[2].isEmpty());
        QCOMPARE(rig->TreeView1->topLevelItem(0)->childCount(), 1);
        QCOMPARE(shownTitles(), adding ? QStringList() : QStringList{"Stop Monitoring?"});
        // What the operator sees: the edit's own cycle went well, then the earlier report failed; nothing
        // says that the edit was dropped.
        QCOMPARE(rig->Text1->toPlainText(),
                 "Connecting to KOVA Server (Get)...\nConnection successful. Downloading "
                 "data.\nDownload successful.\nConnection failed to KOVA Server (Send).\n");
    }
};

QTEST_MAIN(TestFolderEdit)
#include "TestFolderEdit.moc"
