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

    void updateCheck_data() {
        QTest::addColumn<QString>("checkUpdate");
        QTest::addColumn<bool>("due"); // at 12/31/2099 3:00:00.500 AM
        QTest::newRow("the current second: not yet") << "12/31/2099 3:00:00 AM" << false;
        QTest::newRow("the second before") << "12/31/2099 2:59:59 AM" << true;
        QTest::newRow("the same minute without seconds: not yet") << "12/31/2099 3:00 AM" << false;
        QTest::newRow("the minute before without seconds") << "12/31/2099 2:59 AM" << true;
        QTest::newRow("a later day") << "1/1/2100" << false;
        QTest::newRow("empty") << "" << true;
        QTest::newRow("no date-time") << "soon" << true;
    }
    // Due only once a later second than CheckUpdate has begun, as the server writes it.
    void updateCheck() {
        QFETCH(QString, checkUpdate);
        QFETCH(bool, due);
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        QCOMPARE(updateCheckDue(checkUpdate, QDateTime(QDate(2099, 12, 31), QTime(3, 0, 0, 500))), due);
    }
};

QTEST_GUILESS_MAIN(TestTickRule)
#include "TestTickRule.moc"
