#include "modules/AgentError.h"
#include "modules/RebootSchedule.h"

#include <QTest>

using mdlRebootServer::movedRebootTime;
using mdlRebootServer::runRebootTest;

namespace {
const QDateTime kNow(QDate(2026, 12, 5), QTime(10, 0));
const QString kFuture = "12/9/2026 3:00:00 AM";
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
        QTest::addColumn<QString>("outcome");
        const auto row = [](const QString& name, const QString& rebootTime, const QString& manualReboot,
                            const QString& autoRebootTime, const QDateTime& started, const QString& outcome) {
            QTest::newRow(qPrintable(name))
                << rebootTime << manualReboot << autoRebootTime << started << outcome;
        };
        const QDateTime unknown;
        const QDateTime startedSince = kNow.addSecs(-6 * 3600 - 55 * 60);
        row("one second past", "12/5/2026 9:59:59 AM", "", "24", unknown, "due");
        row("equal second", "12/5/2026 10:00:00 AM", "", "24", unknown, "not due");
        row("empty becomes now", "", "", "24", unknown, "not due, now 12/5/2026 10:00:00 AM");
        row("manual a minute ahead", kFuture, "12/5/2026 10:01:00 AM", "24", unknown, "due");
        row("manual a minute past", kFuture, "12/5/2026 9:59:00 AM", "24", unknown, "not due");
        row("manual equal second", kFuture, "12/5/2026 10:00:00 AM", "24", unknown, "not due");
        for (const QString never : {"0", "", "-24", "daily", "0.2"}) {
            row("never " + never, "12/1/2026 3:00:00 AM", "", never, unknown, "not due");
            row("never " + never + ", manual", "12/1/2026 3:00:00 AM", "12/5/2026 11:00:00 AM", never,
                unknown, "due");
        }
        // A reboot the machine has served since (it started after the time) is moved on, never repeated.
        row("started since", "12/5/2026 3:00:00 AM", "", "24", startedSince,
            "not due, now 12/6/2026 3:00:00 AM");
        row("started since, back days later, weekly", "12/1/2026 3:00:00 AM", "", "168", startedSince,
            "not due, now 12/12/2026 3:00:00 AM");
        row("started before the time", "12/5/2026 3:00:00 AM", "", "24",
            QDateTime(QDate(2026, 12, 4), QTime(8, 0)), "due");
        row("started since, manual", "12/5/2026 3:00:00 AM", "12/5/2026 11:00:00 AM", "24", startedSince,
            "due, now 12/6/2026 3:00:00 AM");
        row("started since, time ahead", kFuture, "", "24", startedSince, "not due");
    }
    void rebootTest() {
        QFETCH(QString, rebootTime);
        QFETCH(QString, manualReboot);
        QFETCH(QString, autoRebootTime);
        QFETCH(QDateTime, machineStarted);
        QFETCH(QString, outcome);
        AgentState state;
        state.RebootTime = rebootTime;
        state.ManualReboot = manualReboot;
        state.AutoRebootTime = autoRebootTime;
        state.RebootDue = outcome.startsWith("not"); // decided afresh
        runRebootTest(state, kNow.addMSecs(700),
                      machineStarted.isValid() ? std::optional(machineStarted) : std::nullopt);
        QCOMPARE((state.RebootDue ? "due" : "not due") +
                     (state.RebootTime == rebootTime ? QString() : ", now " + state.RebootTime),
                 outcome);
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
        QTest::addColumn<QString>("moved");
        const auto row = [](const QString& name, const QString& oldTime, const QString& hours,
                            const QString& moved) {
            QTest::newRow(qPrintable(name)) << oldTime << hours << moved;
        };
        row("missed for days", "12/1/2026 3:00:00 AM", "24", "12/6/2026 3:00:00 AM");
        row("36 hours from late in the day", "12/5/2026 11:00:00 PM", "36", "12/7/2026 11:00:00 AM");
        row("hourly, stepped past now", "12/5/2026 3:00:00 AM", "1", "12/5/2026 11:00:00 AM");
        row("bare date stays bare", "12/5/2026", "24", "12/6/2026");
        for (const char* never : {"0", "", "-24", "daily"})
            row(QStringLiteral("never ") + never, "12/1/2026 3:00:00 AM", never, "12/1/2026 3:00:00 AM");
    }
    void movedTime() {
        QFETCH(QString, oldTime);
        QFETCH(QString, autoRebootTime);
        QFETCH(QString, moved);
        QCOMPARE(movedRebootTime(oldTime, autoRebootTime, kNow), moved);
    }
};

QTEST_GUILESS_MAIN(TestRebootSchedule)
#include "TestRebootSchedule.moc"
