#include "modules/AgentError.h"
#include "modules/SlotEvaluation.h"

#include <QTest>

using namespace mdlProcessAlerts;

class TestSlotEvaluation : public QObject {
    Q_OBJECT
private slots:
    void whichSlotsAreInUse() {
        QList<bool> active;
        for (const char* dir : {"", "   ", "0", "00", " 0.0 ", "/srv/in", " /srv/in", "7"})
            active << slotIsActive(dir);
        QCOMPARE(active, (QList<bool>{false, false, false, false, false, true, true, true}));
    }

    void judgesTheSlot_data() {
        QTest::addColumn<int>("slot");
        QTest::addColumn<QString>("alert");
        QTest::addColumn<QString>("stats");
        QTest::addColumn<QString>("outcome"); // state, size/count, alert line
        const auto row = [](const char* name, int slot, const QString& alert, const QString& stats,
                            const QString& outcome) {
            QTest::newRow(name) << slot << alert << stats << outcome;
        };
        const QString near = "near 0/%1 | Notice: Directory D contains %1 files (Alert:%2).\r\n";
        const QString over = "over 0/%1 | Directory D contains %1 files (Alert:%2).\r\n";
        row("100 of 100 is at the limit, not over it", 1, "100", "0/100", near.arg("100", "100"));
        row("76 of 100", 2, "100", "5120/76",
            "near 5120/76 | Notice: Directory D contains 76 files (Alert:100).\r\n");
        row("75 of 100", 2, "100", "0/75", "normal 0/75 | ");
        row("limit 100.9, 101 files", 1, "100.9", "0/101", over.arg("101", "100.9"));
        row("limit 100.9, 100 files", 1, "100.9", "0/100", near.arg("100", "100.9"));
        row("slot 3 words it its own way", 3, "100", "0/120",
            "over 0/120 | Directory D contains 120 files. (Alert:100)\r\n");
        row("slot 4 does not", 4, "100", "0/120", over.arg("120", "100"));
        row("empty folder, limit 0", 2, "0", "0/0", "normal 0/0 | ");
        row("one file, limit 0", 2, "0", "10/1", "over 10/1 | Directory D contains 1 files (Alert:0).\r\n");
        row("unreadable", 2, "100", "", "scan error / | Scan Error! D in SQL doesn't exist.\r\n");
        row("limit not a number", 2, "lots", "0/1", "stops the scan");
        row("no limit", 2, "", "0/1", "stops the scan");
    }
    void judgesTheSlot() {
        QFETCH(int, slot);
        QFETCH(QString, alert);
        QFETCH(QString, stats);
        QFETCH(QString, outcome);
        const char* states[] = {"inactive", "scan error", "over", "near", "normal"};
        try {
            const SlotResult result = evaluateSlot(slot, QStringLiteral("D"), alert, stats);
            QCOMPARE(states[int(result.state)] +
                         (' ' + result.size + '/' + result.count + " | " + result.alertLine),
                     outcome);
        } catch (const AgentError&) {
            QCOMPARE("stops the scan", outcome);
        }
    }
};

QTEST_GUILESS_MAIN(TestSlotEvaluation)
#include "TestSlotEvaluation.moc"
