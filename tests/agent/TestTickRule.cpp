#include "modules/TickRule.h"

#include <QTest>

class TestTickRule : public QObject {
    Q_OBJECT
private slots:
    // The first cycles within 32,800 ticks: enough for the largest interval to come round once, and to
    // overflow a counter that does not stop at it.
    void cyclesFollowTheInterval_data() {
        QTest::addColumn<QString>("settingTime");
        QTest::addColumn<QList<int>>("started"); // the ticks, numbered from 1, that start the first cycles
        QTest::newRow("5: every sixth tick") << "5" << QList<int>{1, 7, 13, 19};
        QTest::newRow("1: every second tick") << "1" << QList<int>{1, 3, 5, 7};
        QTest::newRow("0: only direct cycles") << "0" << QList<int>{};
        QTest::newRow("negative: only direct cycles") << "-3" << QList<int>{};
        QTest::newRow("empty before the first settings: every tick") << "" << QList<int>{1, 2, 3, 4};
        QTest::newRow("too large for the counter: every tick") << "40000" << QList<int>{1, 2, 3, 4};
        QTest::newRow("the largest interval") << "32766" << QList<int>{1, 32768};
        QTest::newRow("one more: every tick") << "32767" << QList<int>{1, 2, 3, 4};
    }
    void cyclesFollowTheInterval() {
        QFETCH(QString, settingTime);
        QFETCH(QList<int>, started);
        std::int16_t loopCount = 0;
        QList<int> cycles;
        for (int tick = 1; tick <= 32800 && cycles.size() < 4; ++tick) {
            if (countTick(loopCount, settingTime))
                cycles << tick;
        }
        QCOMPARE(cycles, started);
    }
};

QTEST_GUILESS_MAIN(TestTickRule)
#include "TestTickRule.moc"
