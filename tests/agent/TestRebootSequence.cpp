#include "modules/RebootSequence.h"
#include "platform/Clock.h"
#include "platform/Power.h"

#include "support/PlatformFakes.h"

#include <QTest>

class TestRebootSequence : public QObject {
    Q_OBJECT

    // The log lines, then the report and the restart request in the order the system saw them.
    static QStringList reboot(bool refused) {
        FakePower power;
        power.refuse = refused;
        platform::ScopedFake<platform::Power> fake(power);
        AgentState state;
        state.RebootTime = "12/9/2026 3:00:00 AM";
        state.AutoRebootTime = "24";
        state.ManualReboot = "12/5/2026 4:00:00 AM";
        QStringList log;
        mdlRebootServer::runRebootSequence(
            state, [&](const QString& line) { log << line; },
            [&] {
                power.events << "report " +
                                    QStringList{state.Message, state.ManualReboot, state.RebootTime}.join(
                                        " | ");
            },
            QDateTime(QDate(2026, 12, 5), QTime(3, 0, 7)));
        return log + power.events;
    }

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }

    // The report must carry the finished record (manual request done, schedule moved) before the restart.
    void reportsThenRestarts() {
        const QString line = "A reboot was scheduled.  Rebooting now...";
        const QString report = "report Server Rebooted at: 12/5/2026 3:00:07 AM |  | 12/6/2026 3:00:00 AM";
        QCOMPARE(reboot(false), (QStringList{line, report, "restart"}));
        QCOMPARE(reboot(true),
                 (QStringList{line, "Restart refused by the system: not allowed", report, "restart"}));
    }

    // The real service is asked only when the machine started, never to restart.
    void realServiceKnowsTheStart() {
        const std::optional<QDateTime> started = platform::Seam<platform::Power>::get().machineStarted();
        QVERIFY(started && *started < platform::now());
        QVERIFY(*started > QDateTime(QDate(2000, 1, 1), QTime(0, 0)));
    }
};

QTEST_GUILESS_MAIN(TestRebootSequence)
#include "TestRebootSequence.moc"
