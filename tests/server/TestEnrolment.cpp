// Who may speak for a computer: keys issued under each enrolment policy, checked on every exchange, reset
// and waived by the operator; forged requests change nothing.
#include "AgentForms.h"
#include "auth/EnrolmentDesk.h"
#include "RunningServer.h"

using testsupport::bearer;
using testsupport::postForm;
using Policy = server::EnrolmentPolicy;

class TestEnrolment : public QObject {
    Q_OBJECT
    std::optional<RunningServer> server;

    void start(Policy policy, int newNamesPerMinute = 30) {
        server.emplace();
        server->options.enrolment = policy;
        server->options.newNamesPerMinute = newNamesPerMinute;
        QCOMPARE(server->start(), QString());
    }
    // The operator's decisions go through a second store on the same file, as the command line does.
    template <typename Decision> bool decide(Decision decision) {
        server::ServerStore store;
        auto done = store.open(server->options.databaseFile, server::NewDatabase::Refused);
        if (done)
            done = decision(store);
        if (!done)
            qWarning() << done.reason();
        return done.ok();
    }
    int stored(const QString& computer) const {
        return server->count(QString("SELECT (SELECT COUNT(*) FROM reports WHERE \"sComputerName\" = '%1') + "
                                     "(SELECT COUNT(*) FROM latest_status WHERE name = '%1')")
                                 .arg(computer));
    }

private slots:
    // The reply byte for byte, and nothing stored, whatever a forger sends.
    void forgedRequestsChangeNothing() {
        start(Policy::Open);
        const QByteArray key = server->enrol("VICTIM-PC");
        QCOMPARE(key.size(), 64);
        QVERIFY(server->value("SELECT key_hash FROM enrolments").toByteArray() != key);
        const QByteArray before = server->askSettings("VICTIM-PC", key).body;
        const QByteArray forged = reportForm("VICTIM-PC", {{"sManualReboot", "12/5/2026 3:04:00 PM"}});
        for (const QByteArray& wrong : {QByteArray(), QByteArray(64, '0'), key.left(63), key + "0"}) {
            const auto reply = postForm(server->endpoint(), forged,
                                        wrong.isEmpty() ? testsupport::HeaderList{} : bearer(wrong));
            QCOMPARE(reply.status, 401);
            const auto settings = server->askSettings("VICTIM-PC", wrong);
            QCOMPARE(settings.status, 401);
            QCOMPARE(settings.body, QByteArray());
            QCOMPARE(settings.header(wire::kAgentKeyHeader), QByteArray());
        }
        QCOMPARE(stored("VICTIM-PC"), 0);
        QCOMPARE(server->askSettings("VICTIM-PC", key).body, before);
        QCOMPARE(postForm(server->endpoint(), reportForm("VICTIM-PC"), bearer(key)).status, 200);
    }

    void approveKeepsNewNamesWaiting() {
        start(Policy::Approve);
        const auto asked = server->askSettings("NEW-PC");
        QCOMPARE(asked.status, 200);
        QCOMPARE(asked.body, QByteArray()); // the agent sees a failed download and asks again next cycle
        QCOMPARE(postForm(server->endpoint(), reportForm("NEW-PC")).status, 401);
        QCOMPARE(server->count("SELECT COUNT(*) FROM computers"), 0);
        QCOMPARE(server->value("SELECT state FROM enrolments WHERE name = 'NEW-PC'").toString(), "pending");

        QVERIFY(decide([](auto& store) {
            return server::approveComputer(store, "NEW-PC", QDateTime::currentDateTime());
        }));
        const auto approved = server->askSettings("NEW-PC");
        const QByteArray key = approved.header(wire::kAgentKeyHeader);
        QCOMPARE(key.size(), 64);
        QCOMPARE(wire::splitSettingsReply(QString::fromUtf8(approved.body)).size(),
                 wire::kSettingsPieceCount);
        QCOMPARE(server->askSettings("NEW-PC").status, 401); // the key went out once; now it is needed
        QCOMPARE(postForm(server->endpoint(), reportForm("NEW-PC"), bearer(key)).status, 200);
    }

    void closedTakesNoNewName() {
        start(Policy::Closed);
        const auto asked = server->askSettings("NEW-PC");
        QCOMPARE(asked.status, 403);
        QCOMPARE(asked.body, QByteArray());
        QCOMPARE(server->count("SELECT (SELECT COUNT(*) FROM computers) + (SELECT COUNT(*) FROM enrolments)"),
                 0);
        QVERIFY(decide([](auto& store) { // an operator can still admit a name ahead
            return server::approveComputer(store, "NEW-PC", QDateTime::currentDateTime());
        }));
        QCOMPARE(server->enrol("NEW-PC").size(), 64);
    }

    // A reset withdraws the key; the agent, still sending its old one, enrols again under the policy.
    void resetKeyEnrolsAgain_data() {
        QTest::addColumn<Policy>("policy");
        QTest::newRow("open") << Policy::Open;
        QTest::newRow("approve") << Policy::Approve;
    }
    void resetKeyEnrolsAgain() {
        QFETCH(Policy, policy);
        start(policy);
        QVERIFY(decide([](auto& store) {
            return server::approveComputer(store, "SRV01", QDateTime::currentDateTime());
        }));
        const QByteArray old = server->enrol("SRV01");
        QVERIFY(decide([](auto& store) { return server::resetComputerKey(store, "SRV01"); }));
        QCOMPARE(postForm(server->endpoint(), reportForm("SRV01"), bearer(old)).status, 401);
        const auto again = server->askSettings("SRV01", old);
        const QByteArray renewed = again.header(wire::kAgentKeyHeader);
        if (policy == Policy::Approve) {
            QCOMPARE(again.body + renewed, QByteArray());
            QVERIFY(decide([](auto& store) {
                return server::approveComputer(store, "SRV01", QDateTime::currentDateTime());
            }));
            QCOMPARE(server->askSettings("SRV01", old).header(wire::kAgentKeyHeader).size(), 64);
            return;
        }
        QVERIFY(renewed.size() == 64 && renewed != old);
        QCOMPARE(server->askSettings("SRV01", old).status, 401);
        QCOMPARE(server->askSettings("SRV01", renewed).status, 200);
    }

    // For agents that cannot send a key; a wrong key is still refused.
    void keylessComputerIsLetIn() {
        start(Policy::Open);
        const QByteArray key = server->enrol("OLD-AGENT");
        QCOMPARE(postForm(server->endpoint(), reportForm("OLD-AGENT")).status, 401);
        QVERIFY(decide([](auto& store) { return server::setKeylessAllowed(store, "OLD-AGENT", true); }));
        QCOMPARE(postForm(server->endpoint(), reportForm("OLD-AGENT")).status, 200);
        QCOMPARE(server->askSettings("OLD-AGENT").status, 200);
        QCOMPARE(postForm(server->endpoint(), reportForm("OLD-AGENT"), bearer(key.left(10))).status, 401);
        QCOMPARE(stored("OLD-AGENT"), 2); // its one report, as history and as latest status
    }

    void newNamesAreLimitedPerAddress_data() {
        QTest::addColumn<Policy>("policy");
        QTest::newRow("open") << Policy::Open;
        QTest::newRow("approve") << Policy::Approve;
    }
    void newNamesAreLimitedPerAddress() {
        QFETCH(Policy, policy);
        start(policy, 3);
        for (const QString name : {"A", "B", "C"})
            QCOMPARE(server->askSettings(name).status, 200);
        const auto refused = server->askSettings("D");
        QCOMPARE(refused.status, 429);
        QCOMPARE(refused.body, QByteArray());
        QCOMPARE(server->count("SELECT COUNT(*) FROM enrolments WHERE name = 'D'"), 0);
        server->now = server->now.addSecs(61);
        QCOMPARE(server->askSettings("D").status, 200);
    }

    void operatorErrorsSayWhy() {
        start(Policy::Open);
        server->enrol("SRV01");
        server::ServerStore store;
        QVERIFY(store.open(server->options.databaseFile, server::NewDatabase::Refused).ok());
        const auto failsWith = [](const Result<>& result, const QString& word) {
            return !result && result.reason().contains(word);
        };
        QVERIFY(failsWith(server::resetComputerKey(store, "NOBODY"), "NOBODY"));
        QVERIFY(failsWith(server::setKeylessAllowed(store, "NOBODY", true), "NOBODY"));
        QVERIFY(failsWith(server::approveComputer(store, "SRV01", QDateTime()), "already"));
    }
};

QTEST_GUILESS_MAIN(TestEnrolment)
#include "TestEnrolment.moc"
