#include "forms/frmAddNewMonitor.h"
#include "modules/FolderEdit.h"
#include "modules/FolderSlotRules.h"
#include "WindowRig.h"

#include <QDir>
#include <QtTest>

using namespace mdlFolderEdit;

namespace {

void setSlots(AgentState& state, const QStringList& dirs) {
    for (int k = 1; k <= kSlotCount; ++k) {
        state.Dir[k] = dirs.value(k - 1);
        state.Alert[k] = dirs.value(k - 1).isEmpty() ? QString() : QStringLiteral("5");
    }
}

// Each slot as "path=limit": from the first request sent, or as the agent holds them when nothing was sent.
QStringList slotsOf(const QList<ReceivedRequest>& sent, const AgentState& state) {
    const QHash<QString, QString> report = reportFields(sent.value(0).body);
    QStringList values;
    for (int k = 1; k <= kSlotCount; ++k) {
        const QString n = QString::number(k);
        values << (sent.isEmpty() ? state.Dir[k] + '=' + state.Alert[k]
                                  : report.value("sDir" + n) + '=' + report.value("sAlert" + n));
    }
    return values;
}

// One add in the add window: the slots before, the folder chosen and the limit typed; the box shown (if
// any) and the slot filled with the limit stored (none when refused or full).
struct AddCase {
    QStringList dirs;
    QString chosen, typed, box;
    int slot = 0;
    QString stored;
};

} // namespace

Q_DECLARE_METATYPE(AddCase)

class TestFolderEdit : public QObject {
    Q_OBJECT
    QTemporaryDir folders;

    QString folder(const QString& name) const { return QDir::toNativeSeparators(folders.filePath(name)); }

private slots:
    void initTestCase() {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        QVERIFY(QDir(folders.path()).mkpath("watched/inbox"));
        QVERIFY(QDir(folders.path()).mkpath("Reports, 2026/inbox"));
    }

    void fileLimit() {
        const QList<std::pair<QString, QString>> cases{
            {"", "empty"},       {"0", "invalid"},   {"9999", "9999"},     {"10000", "invalid"},
            {" 7 ", "7"},        {"2.5", "2"},       {"3.5", "4"},         {"0.4", "invalid"},
            {"1,00", "invalid"}, {"abc", "invalid"}, {"9999.5", "invalid"}};
        for (const auto& [text, expected] : cases) {
            const FileLimit limit = parseFileLimit(text);
            const QString seen = limit.kind == FileLimit::Kind::Empty     ? "empty"
                                 : limit.kind == FileLimit::Kind::Invalid ? "invalid"
                                                                          : QString::number(limit.value);
            QVERIFY2(seen == expected, qPrintable('"' + text + "\" gave " + seen));
        }
    }

    // An add of the folder the list has open that passes its checks is reported at once, followed by a
    // cycle, and closes the window; a refused one sends and changes nothing and keeps the window open.
    void add_data() {
        QTest::addColumn<AddCase>("add");
        QTest::newRow("fifth character refused") << AddCase{{}, "watched", "99999", "", 1, "9999"};
        QTest::newRow("path 0 taken, gap filled first, half to even")
            << AddCase{{"0", "", "/c"}, "watched", "2.5", "", 2, "2"};
        QTest::newRow("same folder twice") << AddCase{{folder("watched")}, "watched", " 7 ", "", 2, "7"};
        QTest::newRow("all ten used")
            << AddCase{QStringList(kSlotCount, "/x"), "watched", "5", "No more free slots", 0, ""};
        QTest::newRow("comma and blank in the path")
            << AddCase{{}, "Reports, 2026", "5", "Folder not supported", 0, ""};
    }
    void add() {
        QFETCH(AddCase, add);
        const auto& [dirs, chosen, typed, box, slot, stored] = add;
        WindowRig rig;
        setSlots(rig.state, dirs);
        rig.server.serve(Answer::http(200, settingsReplyWithFolders(dirs)));
        frmAddNewMonitor window(rig->agent);
        window.show();
        QString error;
        QVERIFY(window.Dir1->setPath(folder(chosen), &error));
        // Highlighting a subfolder opens nothing: the open folder is the one taken.
        const QTreeWidgetItem* inbox = window.Dir1->findItems("inbox", Qt::MatchRecursive).value(0);
        QTest::mouseClick(window.Dir1->viewport(), Qt::LeftButton, {},
                          window.Dir1->visualItemRect(inbox).center());
        window.Text1->clear();
        QTest::keyClicks(window.Text1, typed);
        QTest::mouseClick(window.cmdOk, Qt::LeftButton);

        const bool posted = slot > 0 || box == "No more free slots";
        QCOMPARE(rig.shownBoxes(false), box.isEmpty() ? QStringList() : QStringList{box});
        QCOMPARE(window.isVisible(), !posted);
        const QList<ReceivedRequest> requests = rig.server.requests();
        // The report first, then the cycle's settings request and its report.
        QVERIFY(posted ? requests.size() == 3 && isReport(requests[0]) && !isReport(requests[1])
                       : requests.isEmpty());
        AgentState expected;
        setSlots(expected, dirs);
        if (slot > 0) {
            expected.Dir[slot] = folder(chosen);
            expected.Alert[slot] = stored;
        }
        QCOMPARE(slotsOf(requests, rig.state), slotsOf({}, expected));
    }

    // The question is always asked; only Yes with a clicked node goes on, and then the report and a cycle
    // follow even when the node was no folder.
    void remove_data() {
        QTest::addColumn<QString>("click");
        QTest::addColumn<bool>("yes");
        QTest::addColumn<int>("cleared");
        QTest::newRow("nothing clicked") << "" << true << 0;
        QTest::newRow("answered no") << "zDir1" << false << 0;
        QTest::newRow("root, from the menu") << "FolderStatus" << true << 0;
        QTest::newRow("slot 10 is not slot 1") << "zDir10" << true << 10;
    }
    void remove() {
        QFETCH(QString, click);
        QFETCH(bool, yes);
        QFETCH(int, cleared);
        WindowRig rig;
        QStringList dirs{folder("watched"), "", "", "", "", "", "", "", "", folder("watched/inbox")};
        rig.runCycle(dirs);
        const qsizetype before = rig.server.requests().size();
        rig->show();
        clickNode(*rig.window, click);
        rig.boxes.answers = {yes};
        click == FolderTree::kRootKey ? rig->mnuDeletefolder->trigger() : rig->cmdDelete->click();

        QCOMPARE(rig.shownBoxes(false), QStringList{"Stop Monitoring?"});
        const QList<ReceivedRequest> requests = rig.server.requests().mid(before);
        QCOMPARE(requests.size(), yes && !click.isEmpty() ? 3 : 0);
        if (cleared > 0)
            dirs[cleared - 1].clear();
        AgentState expected;
        setSlots(expected, dirs);
        QCOMPARE(slotsOf(requests, rig.state), slotsOf({}, expected));
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
        const QString kept = folder("watched");
        rig.runCycle({kept});
        // The responder's script counts every request it has had: the next cycle's report goes unanswered.
        const qsizetype before = rig.server.requests().size();
        const Answer reply = Answer::http(200, settingsReplyWithFolders({kept}, {"5"}));
        rig.server.serve(QList<Answer>(before + 1, reply) << Answer::silent() << reply);
        connect(&rig.server, &LoopbackResponder::requestReceived, this, [&] {
            if (rig.server.requests().size() != before + 2)
                return;
            QTimer::singleShot(0, this, [&] {
                rig.boxes.answers = {true};
                adding ? void(addFolder(rig->agent, folder("watched/inbox"), "9"))
                       : deleteFolder(rig->agent, "zDir1");
            });
        });
        rig->agent.RunServerInfoNow();

        const QList<ReceivedRequest> requests = rig.server.requests().mid(before);
        QCOMPARE(requests.size(), 3); // settings, the waiting report, and the edit's settings request only
        QVERIFY(!isReport(requests[0]) && isReport(requests[1]) && !isReport(requests[2]));
        QVERIFY(rig.state.Dir[1] == kept && rig.state.Dir[2].isEmpty());
    }
};

QTEST_MAIN(TestFolderEdit)
#include "TestFolderEdit.moc"
