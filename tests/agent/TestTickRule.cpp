#include "modules/TickRule.h"

#include <QTest>

// Which of the first `ticks` ticks start a cycle (numbered from 1).
static QList<int> cycleTicks(const QString& settingTime, int ticks) {
    std::int16_t loopCount = 0;
    QList<int> started;
    for (int tick = 1; tick <= ticks; ++tick) {
        if (countTick(loopCount, settingTime))
            started << tick;
    }
    return started;
}

class TestTickRule : public QObject {
    Q_OBJECT
private slots:
    void cyclesFollowTheInterval_data() {
        QTest::addColumn<QString>("settingTime");
        QTest::addColumn<QList<int>>("started");
        QTest::newRow("5: every sixth tick") << "5" << QList<int>{1, 7, 13, 19};
        QTest::newRow("1: every second tick") << "1" << QList<int>{1, 3, 5, 7, 9, 11, 13, 15, 17, 19};
        QTest::newRow("0: only direct cycles") << "0" << QList<int>{};
        QTest::newRow("negative: only direct cycles") << "-3" << QList<int>{};
        QList<int> everyTick;
        for (int tick = 1; tick <= 20; ++tick)
            everyTick << tick;
        QTest::newRow("empty before the first settings: retry every tick") << "" << everyTick;
        QTest::newRow("too large for the counter: every tick") << "40000" << everyTick;
        QTest::newRow("not a whole number: every tick") << "2.5" << everyTick;
    }
    void cyclesFollowTheInterval() {
        QFETCH(QString, settingTime);
        QFETCH(QList<int>, started);
        QCOMPARE(cycleTicks(settingTime, 20), started);
    }

    void largestIntervalNeverOverflowsTheCounter() {
        std::int16_t loopCount = 32765;
        QVERIFY(!countTick(loopCount, QStringLiteral("32766")));
        QCOMPARE(loopCount, std::int16_t(32766));
        QVERIFY(!countTick(loopCount, QStringLiteral("32766")));
        QCOMPARE(loopCount, std::int16_t(0));
        QVERIFY(countTick(loopCount, QStringLiteral("32766")));
    }

    void updateCheckIsDueOncePassed_data() {
        QTest::addColumn<QString>("checkUpdate");
        QTest::addColumn<bool>("due");
        QTest::newRow("empty counts as long past") << "" << true;
        QTest::newRow("not a date-time counts as long past") << "soon" << true;
        QTest::newRow("one second past") << "12/5/2026 2:59:59 PM" << true;
        QTest::newRow("the same second") << "12/5/2026 3:00:00 PM" << false;
        QTest::newRow("a day ahead") << "12/6/2026 3:00:00 PM" << false;
    }
    void updateCheckIsDueOncePassed() {
        QFETCH(QString, checkUpdate);
        QFETCH(bool, due);
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        QCOMPARE(updateCheckDue(checkUpdate, QDateTime(QDate(2026, 12, 5), QTime(15, 0))), due);
    }
};

QTEST_GUILESS_MAIN(TestTickRule)
#include "TestTickRule.moc"
