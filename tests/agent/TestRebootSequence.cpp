#include "modules/RebootSequence.h"
#include "platform/Clock.h"
#include "platform/Power.h"

#include "support/PlatformFakes.h"

#include <QTest>

namespace {} // namespace

class TestRebootSequence : public QObject {
    Q_OBJECT

    FakePower power;
    AgentState state;
    QStringList log;

    void run() {
        platform::ScopedFake<platform::Power> fake(power);
        mdlRebootServer::runRebootSequence(
            state, [this](const QString& line) { log << line; },
            [this] {
                // The report must carry the finished record, before the restart is asked for.
                power.events << "report " + state.Message + " | " + state.ManualReboot + " | " +
                                    state.RebootTime;
            },
            QDateTime(QDate(2026, 12, 5), QTime(3, 0, 7)));
    }

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }

    void init() {
        power = FakePower();
        log.clear();
        state = AgentState();
        state.RebootTime = "12/9/2026 3:00:00 AM";
        state.AutoRebootTime = "24";
        state.ManualReboot = "12/5/2026 4:00:00 AM";
    }

    void reportsThenRestarts() {
        run();
        QCOMPARE(log, QStringList{"A reboot was scheduled.  Rebooting now..."});
        QCOMPARE(power.events,
                 (QStringList{"report Server Rebooted at: 12/5/2026 3:00:07 AM |  | 12/6/2026 3:00:00 AM",
                              "restart"}));
    }

    void refusedRestartIsLogged() {
        power.refuse = true;
        run();
        QCOMPARE(log, (QStringList{"A reboot was scheduled.  Rebooting now...",
                                   "Restart refused by the system: not allowed"}));
        QCOMPARE(power.events.size(), 2);
    }

    // The real service is asked only when the machine started, never to restart.
    void realServiceKnowsTheStart() {
        const std::optional<QDateTime> started = platform::Seam<platform::Power>::get().machineStarted();
        QVERIFY(started.has_value());
        QVERIFY(*started < platform::now());
        QVERIFY(*started > QDateTime(QDate(2000, 1, 1), QTime(0, 0)));
    }
};

QTEST_GUILESS_MAIN(TestRebootSequence)
#include "TestRebootSequence.moc"
