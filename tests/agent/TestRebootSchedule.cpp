#include "modules/AgentError.h"
#include "modules/LocalDateTime.h"
#include "modules/RebootSchedule.h"
#include "modules/RebootSequence.h"
#include "platform/Clock.h"
#include "support/PlatformFakes.h"

#include <QTest>

namespace {
const QDateTime kNow(QDate(2026, 12, 5), QTime(10, 0));
const QString kFuture = "12/9/2026 3:00:00 AM";
} // namespace

class TestRebootSchedule : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }

    // Each row: RebootTime, ManualReboot, AutoRebootTime, when the machine started (empty: not known), and
    // what the test decides, with RebootTime when it changed. Now is 12/5/2026 10:00:00.7 AM.
    void rebootTest() {
        const QString since = "12/5/2026 3:05:00 AM";
        QList<QStringList> rows = {
            {"12/5/2026 9:59:59 AM", "", "24", "", "due"},            // one second past
            {"12/5/2026 10:00:00 AM", "", "24", "", "not due"},       // the same second
            {"", "", "24", "", "not due, now 12/5/2026 10:00:00 AM"}, // empty: now
            {kFuture, "12/5/2026 10:01:00 AM", "24", "", "due"},      // manual: a minute ahead
            {kFuture, "12/5/2026 9:59:00 AM", "24", "", "not due"},   // a minute past
            {kFuture, "12/5/2026 10:00:00 AM", "24", "", "not due"},  // the same second
            // A reboot the machine has served since is moved on, never repeated.
            {"12/5/2026 3:00:00 AM", "", "24", since, "not due, now 12/6/2026 3:00:00 AM"},
            {"12/1/2026 3:00:00 AM", "", "168", since, "not due, now 12/12/2026 3:00:00 AM"}, // days later
            {"12/1/2026 3:00:00 AM", "", "24", since, "not due, now 12/6/2026 3:00:00 AM"}, // missed for days
            {"12/5/2026 3:00:00 AM", "", "1", since,
             "not due, now 12/5/2026 11:00:00 AM"},                            // stepped past now
            {"12/5/2026", "", "24", since, "not due, now 12/6/2026"},          // a bare date
            {"12/5/2026 3:00:00 AM", "", "24", "12/4/2026 8:00:00 AM", "due"}, // started before
            {"12/5/2026 3:00:00 AM", "12/5/2026 11:00:00 AM", "24", since, "due, now 12/6/2026 3:00:00 AM"},
            {kFuture, "", "24", since, "not due"},
            {"12/31/2099 3:00 AM", "", "24", "", "not due"}, // written without seconds
            // An unreadable time stops the scan and never reboots; the manual test follows the scheduled one.
            {"tomorrow", "", "24", "", "stops the scan"},
            {"12/5/2026 9:00:00 AM", "soon", "24", "", "stops the scan, due"},
        };
        for (const char* never : {"0", "", "-24", "daily", "0.2"}) {
            rows.append({"12/1/2026 3:00:00 AM", "", never, "", "not due"});
            rows.append({"12/1/2026 3:00:00 AM", "12/5/2026 11:00:00 AM", never, "", "due"});
        }
        QStringList decided, expected;
        for (const QStringList& row : rows) {
            AgentState state;
            state.RebootTime = row[0];
            state.ManualReboot = row[1];
            state.AutoRebootTime = row[2];
            state.RebootDue = row[4].startsWith("not"); // decided afresh
            QString outcome;
            try {
                mdlRebootServer::runRebootTest(state, kNow.addMSecs(700), parseGeneralDateTime(row[3]));
                const QString moved = state.RebootTime == row[0] ? QString() : ", now " + state.RebootTime;
                outcome = (state.RebootDue ? "due" : "not due") + moved;
            } catch (const AgentError&) {
                outcome = QStringLiteral("stops the scan") + (state.RebootDue ? ", due" : "");
            }
            decided << row.mid(0, 4).join(" | ") + ": " + outcome;
            expected << row.mid(0, 4).join(" | ") + ": " + row[4];
        }
        QCOMPARE(decided, expected);
    }

    // A schedule that would land exactly on now lies one interval ahead, so it is never due at once.
    void movedScheduleLiesAhead() {
        QCOMPARE(mdlRebootServer::movedRebootTime("12/5/2026", "10", kNow), "12/5/2026 8:00:00 PM");
        QCOMPARE(mdlRebootServer::movedRebootTime("12/5/2026", "10", kNow.addSecs(-1)),
                 "12/5/2026 10:00:00 AM");
    }

    // The report must carry the finished record (manual request done, schedule moved) before the restart.
    void rebootReportsThenRestarts() {
        QStringList seen; // the log lines, then the report and the restart request in the order they came
        for (bool refused : {false, true}) {
            FakePower power;
            power.refuse = refused;
            const platform::ScopedFake<platform::Power> fake(power);
            AgentState state;
            state.RebootTime = kFuture;
            state.AutoRebootTime = refused ? "0" : "24"; // a manual reboot without a schedule keeps the time
            state.ManualReboot = "12/5/2026 4:00:00 AM";
            mdlRebootServer::runRebootSequence(
                state, [&](const QString& line) { seen << line; },
                [&] {
                    power.events << state.Message + " | " + state.ManualReboot + " | " + state.RebootTime;
                },
                QDateTime(QDate(2026, 12, 5), QTime(3, 0, 7)));
            seen << power.events;
        }
        const QString line = "A reboot was scheduled.  Rebooting now...";
        const QString report = "Server Rebooted at: 12/5/2026 3:00:07 AM |  | ";
        QCOMPARE(seen,
                 (QStringList{line, report + "12/6/2026 3:00:00 AM", "restart", line,
                              "Restart refused by the system: not allowed", report + kFuture, "restart"}));
    }

    // The real service is asked only when the machine started, never to restart.
    void realServiceKnowsTheStart() {
        const std::optional<QDateTime> started = platform::Seam<platform::Power>::get().machineStarted();
        QVERIFY(started && *started < platform::now() && started->date().year() >= 2000);
    }
};

QTEST_GUILESS_MAIN(TestRebootSchedule)
#include "TestRebootSchedule.moc"
