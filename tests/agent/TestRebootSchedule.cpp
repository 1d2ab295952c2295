#include "modules/AgentError.h"
#include "modules/RebootSchedule.h"

#include <QTest>

using mdlRebootServer::movedRebootTime;
using mdlRebootServer::runRebootTest;

namespace {
const QDateTime kNow(QDate(2026, 12, 5), QTime(10, 0));

QDateTime at(int day, int hour, int minute = 0, int second = 0) {
    return QDateTime(QDate(2026, 12, day), QTime(hour, minute, second));
}
} // namespace

class TestRebootSchedule : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }

    void rebootTest_data() {
        QTest::addColumn<QString>("rebootTime");
        QTest::addColumn<QString>("manualReboot");
        QTest::addColumn<QString>("autoRebootTime");
        QTest::addColumn<QDateTime>("machineStarted"); // invalid: not known
        QTest::addColumn<bool>("due");
        QTest::addColumn<QString>("rebootTimeAfter");

        const QString future = "12/9/2026 3:00:00 AM";
        QTest::newRow("one second past") << "12/5/2026 9:59:59 AM"
                                         << ""
                                         << "24" << QDateTime() << true << "12/5/2026 9:59:59 AM";
        QTest::newRow("equal second") << "12/5/2026 10:00:00 AM"
                                      << ""
                                      << "24" << QDateTime() << false << "12/5/2026 10:00:00 AM";
        QTest::newRow("empty becomes now") << ""
                                           << ""
                                           << "24" << QDateTime() << false << "12/5/2026 10:00:00 AM";
        QTest::newRow("manual a minute ahead") << future << "12/5/2026 10:01:00 AM"
                                               << "24" << QDateTime() << true << future;
        QTest::newRow("manual a minute past") << future << "12/5/2026 9:59:00 AM"
                                              << "24" << QDateTime() << false << future;
        QTest::newRow("manual equal second") << future << "12/5/2026 10:00:00 AM"
                                             << "24" << QDateTime() << false << future;
        for (const char* never : {"0", "", "-24", "daily", "0.2"}) {
            QTest::addRow("never (%s): scheduled off", never)
                << "12/1/2026 3:00:00 AM"
                << "" << never << QDateTime() << false << "12/1/2026 3:00:00 AM";
            QTest::addRow("never (%s): manual still works", never)
                << "12/1/2026 3:00:00 AM"
                << "12/5/2026 11:00:00 AM" << never << QDateTime() << true << "12/1/2026 3:00:00 AM";
        }
        QTest::newRow("started after the scheduled time: moved, not due")
            << "12/5/2026 3:00:00 AM"
            << ""
            << "24" << at(5, 3, 5) << false << "12/6/2026 3:00:00 AM";
        QTest::newRow("old time brought back days later: moved, not due")
            << "12/1/2026 3:00:00 AM"
            << ""
            << "168" << at(5, 3, 5) << false << "12/12/2026 3:00:00 AM";
        QTest::newRow("started before the scheduled time: due")
            << "12/5/2026 3:00:00 AM"
            << ""
            << "24" << at(4, 8) << true << "12/5/2026 3:00:00 AM";
        QTest::newRow("started after, manual request still due")
            << "12/5/2026 3:00:00 AM"
            << "12/5/2026 11:00:00 AM"
            << "24" << at(5, 3, 5) << true << "12/6/2026 3:00:00 AM";
        QTest::newRow("started after, future time untouched") << future << ""
                                                              << "24" << at(5, 3, 5) << false << future;
    }
    void rebootTest() {
        QFETCH(QString, rebootTime);
        QFETCH(QString, manualReboot);
        QFETCH(QString, autoRebootTime);
        QFETCH(QDateTime, machineStarted);
        QFETCH(bool, due);
        QFETCH(QString, rebootTimeAfter);
        AgentState state;
        state.RebootTime = rebootTime;
        state.ManualReboot = manualReboot;
        state.AutoRebootTime = autoRebootTime;
        state.RebootDue = !due; // the test decides afresh
        const auto started = machineStarted.isValid() ? std::optional(machineStarted) : std::nullopt;
        runRebootTest(state, kNow.addMSecs(700), started);
        QCOMPARE(state.RebootDue, due);
        QCOMPARE(state.RebootTime, rebootTimeAfter);
        QCOMPARE(state.ManualReboot, manualReboot);
    }

    void unreadableTimesStopTheTest() {
        AgentState state;
        state.AutoRebootTime = "24";
        state.RebootTime = "tomorrow";
        QVERIFY_THROWS_EXCEPTION(AgentError, runRebootTest(state, kNow, std::nullopt));
        QVERIFY(!state.RebootDue);

        state.RebootTime = "12/5/2026 9:00:00 AM";
        state.ManualReboot = "soon";
        QVERIFY_THROWS_EXCEPTION(AgentError, runRebootTest(state, kNow, std::nullopt));
        QVERIFY(state.RebootDue); // the scheduled test had found it due before the manual one failed
    }

    void movedTime_data() {
        QTest::addColumn<QString>("oldTime");
        QTest::addColumn<QString>("autoRebootTime");
        QTest::addColumn<QDateTime>("now");
        QTest::addColumn<QString>("moved");
        QTest::newRow("24 hours") << "12/5/2026 3:00:00 AM"
                                  << "24" << at(5, 3, 0, 1) << "12/6/2026 3:00:00 AM";
        QTest::newRow("a week") << "12/5/2026 3:00:00 AM"
                                << "168" << at(5, 3, 0, 1) << "12/12/2026 3:00:00 AM";
        QTest::newRow("missed for days") << "12/1/2026 3:00:00 AM"
                                         << "24" << kNow << "12/6/2026 3:00:00 AM";
        QTest::newRow("manual before the scheduled day") << "12/9/2026 3:00:00 AM"
                                                         << "24" << kNow << "12/6/2026 3:00:00 AM";
        QTest::newRow("36 hours") << "12/5/2026 3:00:00 AM"
                                  << "36" << kNow << "12/6/2026 3:00:00 PM";
        QTest::newRow("36 hours from a late time of day") << "12/5/2026 11:00:00 PM"
                                                          << "36" << kNow << "12/7/2026 11:00:00 AM";
        QTest::newRow("hourly, stepped past now") << "12/5/2026 3:00:00 AM"
                                                  << "1" << kNow << "12/5/2026 11:00:00 AM";
        QTest::newRow("6 hours, stepped past now") << "12/5/2026 3:30:00 AM"
                                                   << "6" << kNow << "12/5/2026 3:30:00 PM";
        QTest::newRow("bare date stays bare") << "12/5/2026"
                                              << "24" << kNow << "12/6/2026";
        for (const char* never : {"0", "", "-24", "daily"})
            QTest::addRow("never (%s) keeps the old text", never)
                << "12/1/2026 3:00:00 AM" << never << kNow << "12/1/2026 3:00:00 AM";
    }
    void movedTime() {
        QFETCH(QString, oldTime);
        QFETCH(QString, autoRebootTime);
        QFETCH(QDateTime, now);
        QFETCH(QString, moved);
        QCOMPARE(movedRebootTime(oldTime, autoRebootTime, now), moved);
    }
};

QTEST_GUILESS_MAIN(TestRebootSchedule)
#include "TestRebootSchedule.moc"
