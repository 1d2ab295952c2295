// The agent against our own central server in one process: registration, settings that travel out in a
// report and back in the next download, and the daily self-update from the server's updates folder.
#include "AgentKeyHash.h"
#include "auth/EnrolmentDesk.h"
#include "DateTimeText.h"
#include "Endpoints.h"
#include "modules/AgentKey.h"
#include "modules/LocalDateTime.h"
#include "platform/Clock.h"
#include "server/RunningServer.h"
#include "support/AgentHarness.h"
#include "support/FileBytes.h"
#include "support/ThrowawayKey.h"

#include <QtTest>

class TestServerRoundTrip : public QObject {
    Q_OBJECT

    std::optional<RunningServer> server;
    std::optional<PinnedClock> pinned;
    std::optional<platform::ScopedFake<platform::Clock>> pinnedFake;
    std::optional<AgentHarness> harness;

    Agent& agent() { return *harness->agent; }
    AgentState& state() { return harness->state; }
    bool logHas(const QString& text) { return agent().logText().contains(text); }

private slots:
    void init() { startWith(server::EnrolmentPolicy::Open); }
    void startWith(server::EnrolmentPolicy policy) {
        harness.reset();
        pinnedFake.reset();
        server.emplace();
        server->options.enrolment = policy;
        QCOMPARE(server->start(), QString());
        pinned.emplace(server->now);
        pinnedFake.emplace(*pinned);
        harness.emplace(server->endpoint().toString());
        state().ComputerName = "SRV01"; // what start-up reads from the name file
    }
    void cleanup() {
        harness.reset();
        pinnedFake.reset();
    }

    // The measured fault: the agent asks, the operator approves, then another caller asks for the name with a
    // key of its own. That caller is refused and told to the operators; the agent enrols with the key it made
    // and keeps reporting.
    void anotherCallerCannotTakeTheApprovedName() {
        startWith(server::EnrolmentPolicy::Approve);
        agent().RunServerInfoNow();
        QVERIFY(!agent().lastCycleSucceeded()); // waits for the operator
        QVERIFY2(logHas(mdlGeneral::agentKeyFingerprintText()), qPrintable(agent().logText()));
        server::ServerStore operatorStore;
        QVERIFY(operatorStore.open(server->options.databaseFile, server::NewDatabase::Refused).ok());
        QVERIFY(server::approveComputer(operatorStore, "SRV01", server->now).ok());

        const auto other = server->askSettings("SRV01", wire::newAgentKey().toLatin1());
        QCOMPARE(other.status, 401);
        QCOMPARE(other.header(wire::kAgentKeyHeader), QByteArray());
        QCOMPARE(server->count("SELECT COUNT(*) FROM events WHERE kind = 'enrolment_conflict'"), 1);
        QCOMPARE(server->value("SELECT state FROM enrolments WHERE name = 'SRV01'").toString(), "admitted");

        for (int cycle = 0; cycle < 2; ++cycle) {
            agent().RunServerInfoNow();
            QVERIFY2(agent().lastCycleSucceeded(), qPrintable(agent().logText()));
        }
        QCOMPARE(server->count("SELECT COUNT(*) FROM reports WHERE \"sComputerName\" = 'SRV01'"), 2);
    }

    // A restarted agent whose first download fails still posts a report (the update step), holding no
    // settings at all. Taking those would wipe the computer's folders and, with an empty Disable, fail every
    // later download: the server refuses it.
    void settingsComeBackExactlyAndAReportWithoutThemChangesNothing() {
        agent().RunServerInfoNow(); // the first cycle registers the computer and reports
        QVERIFY2(agent().lastCycleSucceeded() && logHas("Download successful.\r\n") &&
                     logHas("Transmission successful! ("),
                 qPrintable(agent().logText()));
        QCOMPARE(
            server->count("SELECT COUNT(*) FROM reports JOIN computers ON name = \"sComputerName\" WHERE "
                          "name = 'SRV01' AND \"sMessage\" = 'System OK.'"),
            1);
        const QString folder =
            "/srv/x y&z=1+2%_3 a%20b_%5F Übergabe/日本"; // blanks, form characters, look-alikes
        state().Dir[1] = folder;
        state().Alert[1] = "5";
        agent().SendWWWSQL();

        state() = AgentState();
        state().ComputerName = "SRV01";
        agent().server().setSettingsUrl(QStringLiteral("http://127.0.0.1:9") + wire::kExchangePath);
        agent().RunServerInfoNow();
        // The server refuses the report; the agent says so rather than that it was delivered.
        QVERIFY2(
            logHas("NO INTERNET CONNECTION.  WILL RETRY.") &&
                logHas("Transmission failed: the KOVA Server answered HTTP 422 (\"Report refused: the value "
                       "of sDisable"),
            qPrintable(agent().logText()));
        QVERIFY(!agent().lastCycleSucceeded()); // a delivered report does not make up for the failed download

        agent().server().setSettingsUrl(server->endpoint().toString());
        agent().RunServerInfoNow();
        QVERIFY2(agent().lastCycleSucceeded(), qPrintable(agent().logText()));
        QCOMPARE(QStringList({state().Dir[1], state().Alert[1]}), QStringList({folder, "5"}));
    }

    // A build signed with a key the agent trusts, published in the server's updates folder: installed,
    // proven, restarted with the agent's own arguments, and not again once it runs.
    void selfUpdateReplacesOnceAndNeverLoops() {
        const ThrowawayKey key;
        TrustedKeys trusted;
        trusted.keys = {key.publicKey};
        const platform::ScopedFake<mdlGeneral::UpdateKeys> fakeKeys(trusted);
        const QByteArray running = fileBytes(qEnvironmentVariable("KOVA_AGENT_EXE"));
        const QByteArray published = running + "another build"; // runs alike: the tail is never loaded
        QVERIFY(writeFileBytes(server->dir.filePath("KOVA_Oru.exe"), published) &&
                writeFileBytes(server->dir.filePath("KOVA_Oru.exe.sig"), key.sign(published)));
        const QString installed = harness->folder.filePath("KOVA Oru");
        QVERIFY(writeFileBytes(installed, running));
        harness->location.runningPath = installed;
        harness->config.updateUrl = server->url(wire::kUpdatePath).toString();
        harness->config.arguments = {"--update-url", harness->config.updateUrl};
        harness->agent = std::make_unique<Agent>(harness->state, harness->config, harness->view);

        // Twice: the second time the published program is the running one.
        for (int round = 0; round < 2; ++round) {
            agent().ReceiveWWWSQL(); // enrols and registers the computer
            // An operator makes the update due; a report could only move the date later.
            server->value(QString("UPDATE computers SET \"CheckUpdate\" = '%1' WHERE name = 'SRV01'")
                              .arg(formatGeneralDateTime(server->now.addSecs(-3600))));
            agent().RunServerInfoNow();

            QCOMPARE(fileBytes(installed), published);
            QCOMPARE(fileBytes(installed + ".bak"), running);
            QCOMPARE(harness->launcher.starts,
                     (QList<FakeLauncher::Start>{{installed, harness->config.arguments, false}}));
            QCOMPARE(harness->view.calls.count("removeTrayIcon"), 1);
            QCOMPARE(!std::exchange(harness->ended.codes, {}).isEmpty(), round == 0);
            QCOMPARE(agent().logText().count("up to date"), round);
        }
        // Reported before the update ran; stored in the server's own form.
        const QString stored =
            server->value("SELECT \"CheckUpdate\" FROM computers WHERE name = 'SRV01'").toString();
        QCOMPARE(wire::readDateTime(stored).value_or(QDateTime()),
                 wire::readDateTime(state().CheckUpdate).value_or(QDateTime()));
        const QByteArray agentKey = fileBytes(harness->folder.filePath("kova.key"));
        QCOMPARE(agentKey.size(), 64); // the key beside the program outlives its replacement
        agent().ReceiveWWWSQL();
        QVERIFY(!state().NoInternet);
        QCOMPARE(fileBytes(harness->folder.filePath("kova.key")), agentKey);
    }
};

QTEST_MAIN(TestServerRoundTrip)
#include "TestServerRoundTrip.moc"
