#include "modules/AgentError.h"
#include "modules/SlotEvaluation.h"

#include <QTest>

using namespace mdlProcessAlerts;

Q_DECLARE_METATYPE(mdlProcessAlerts::SlotState)

class TestSlotEvaluation : public QObject {
    Q_OBJECT
private slots:
    void activeTest_data() {
        QTest::addColumn<QString>("dir");
        QTest::addColumn<bool>("active");
        QTest::newRow("empty") << "" << false;
        QTest::newRow("blanks") << "   " << false;
        QTest::newRow("zero") << "0" << false;
        QTest::newRow("zeros") << "00" << false;
        QTest::newRow("zero point zero") << " 0.0 " << false;
        QTest::newRow("path") << "/srv/in" << true;
        QTest::newRow("leading blank") << " /srv/in" << true;
        QTest::newRow("other number") << "7" << true;
    }
    void activeTest() {
        QFETCH(QString, dir);
        QFETCH(bool, active);
        QCOMPARE(slotIsActive(dir), active);
    }

    void statesAndLines_data() {
        QTest::addColumn<int>("slot");
        QTest::addColumn<QString>("alert");
        QTest::addColumn<QString>("stats");
        QTest::addColumn<SlotState>("state");
        QTest::addColumn<QString>("line");
        const QString over = QStringLiteral("Directory D contains %1 files (Alert:%2).\r\n");
        const QString near = QStringLiteral("Notice: Directory D contains %1 files (Alert:%2).\r\n");
        QTest::newRow("100 of 100 is at the limit, not over it")
            << 1 << "100"
            << "0/100" << SlotState::NearLimit << near.arg("100", "100");
        QTest::newRow("same in slot 5") << 5 << "100"
                                        << "0/100" << SlotState::NearLimit << near.arg("100", "100");
        QTest::newRow("76 of 100") << 2 << "100"
                                   << "0/76" << SlotState::NearLimit << near.arg("76", "100");
        QTest::newRow("75 of 100") << 2 << "100"
                                   << "0/75" << SlotState::Normal << QString();
        QTest::newRow("limit 100.9, 101 files")
            << 1 << "100.9"
            << "0/101" << SlotState::OverLimit << over.arg("101", "100.9");
        QTest::newRow("limit 100.9, 100 files")
            << 1 << "100.9"
            << "0/100" << SlotState::NearLimit << near.arg("100", "100.9");
        QTest::newRow("slot 3 words it its own way")
            << 3 << "100"
            << "0/120" << SlotState::OverLimit << "Directory D contains 120 files. (Alert:100)\r\n";
        QTest::newRow("slot 4 does not") << 4 << "100"
                                         << "0/120" << SlotState::OverLimit << over.arg("120", "100");
        QTest::newRow("empty folder, limit 0") << 2 << "0"
                                               << "0/0" << SlotState::Normal << QString();
        QTest::newRow("one file, limit 0") << 2 << "0"
                                           << "10/1" << SlotState::OverLimit << over.arg("1", "0");
        QTest::newRow("unreadable") << 2 << "100"
                                    << "" << SlotState::ScanError
                                    << "Scan Error! D in SQL doesn't exist.\r\n";
    }
    void statesAndLines() {
        QFETCH(int, slot);
        QFETCH(QString, alert);
        QFETCH(QString, stats);
        QFETCH(SlotState, state);
        QFETCH(QString, line);
        const SlotResult result = evaluateSlot(slot, QStringLiteral("D"), alert, stats);
        QCOMPARE(result.state, state);
        QCOMPARE(result.alertLine, line);
    }

    void sizeAndCountComeFromTheStatistics() {
        const SlotResult result =
            evaluateSlot(1, QStringLiteral("D"), QStringLiteral("10"), QStringLiteral("5120/3"));
        QCOMPARE(result.size, QStringLiteral("5120"));
        QCOMPARE(result.count, QStringLiteral("3"));
    }

    void limitThatIsNotANumberStopsTheScan() {
        QVERIFY_THROWS_EXCEPTION(
            AgentError, evaluateSlot(2, QStringLiteral("D"), QStringLiteral("lots"), QStringLiteral("0/1")));
        QVERIFY_THROWS_EXCEPTION(AgentError,
                                 evaluateSlot(2, QStringLiteral("D"), QString(), QStringLiteral("0/1")));
    }
};

QTEST_GUILESS_MAIN(TestSlotEvaluation)
#include "TestSlotEvaluation.moc"
