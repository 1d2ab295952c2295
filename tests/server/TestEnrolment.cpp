// Who may speak for a computer: keys issued under each enrolment policy, checked on every exchange, reset
// and waived by the operator; forged requests change nothing.
#include "AgentForms.h"
#include "AgentKeyHash.h"
#include "auth/EnrolmentDesk.h"
#include "RunningServer.h"

#include <QJsonDocument>
#include <QJsonObject>

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
    // Everything the store keeps of the name's enrolment, to tell that nothing changed.
    QVariant enrolmentRow(const QString& computer) const {
        return server->value(QString("SELECT state || '|' || key_hash || '|' || pending_key_hash || '|' || "
                                     "asked_at || '|' || asked_from FROM enrolments WHERE name = '%1'")
                                 .arg(computer));
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

    // A name is bound to the key that asked for it first. Another key (or none) for it is refused, changes
    // nothing and is told to the operators; the agent that asked first enrols with its own key and reports.
    void anotherKeyCannotTakeTheName_data() {
        QTest::addColumn<Policy>("policy");
        QTest::addColumn<bool>("reset");          // the name had a key, which an operator withdrew
        QTest::addColumn<bool>("beforeApproval"); // the other caller comes while the name waits
        QTest::addColumn<QByteArray>("other");    // the other caller's key
        QTest::addColumn<int>("conflicts");       // enrolment_conflict events
        const QByteArray another = wire::newAgentKey().toLatin1();
        QTest::newRow("approve: after approval") << Policy::Approve << false << false << another << 1;
        QTest::newRow("approve: no key after approval")
            << Policy::Approve << false << false << QByteArray() << 1;
        QTest::newRow("approve: while pending") << Policy::Approve << false << true << another << 1;
        QTest::newRow("approve: after a reset") << Policy::Approve << true << false << another << 1;
        // Open takes the first key at once: the other caller meets a keyed computer, an ordinary refusal.
        QTest::newRow("open: new name") << Policy::Open << false << false << another << 0;
        QTest::newRow("open: after a reset") << Policy::Open << true << false << another << 0;
    }
    void anotherKeyCannotTakeTheName() {
        QFETCH(Policy, policy);
        QFETCH(bool, reset);
        QFETCH(bool, beforeApproval);
        QFETCH(QByteArray, other);
        QFETCH(int, conflicts);
        start(policy);
        const auto approve = [this] {
            return decide([](auto& store) {
                return server::approveComputer(store, "SRVNEW", QDateTime::currentDateTime());
            });
        };
        if (reset) {
            QVERIFY(approve());
            QCOMPARE(server->enrol("SRVNEW").size(), 64);
            QVERIFY(decide([](auto& store) { return server::resetComputerKey(store, "SRVNEW"); }));
        }
        const QByteArray mine = wire::newAgentKey().toLatin1();
        const auto first = server->askSettings("SRVNEW", mine);
        QCOMPARE(first.status, 200);
        QCOMPARE(first.header(wire::kAgentKeyHeader), QByteArray()); // its own key is the one it keeps
        if (policy == Policy::Approve && !beforeApproval)
            QVERIFY(approve());
        const QVariant before = enrolmentRow("SRVNEW");

        const auto refused = server->askSettings("SRVNEW", other);
        QCOMPARE(refused.status, 401);
        QCOMPARE(refused.body + refused.header(wire::kAgentKeyHeader), QByteArray());
        QCOMPARE(postForm(server->endpoint(), reportForm("SRVNEW"), bearer(other)).status, 401);
        QCOMPARE(enrolmentRow("SRVNEW"), before);
        QCOMPARE(server->count("SELECT COUNT(*) FROM events WHERE kind = 'enrolment_conflict' AND "
                               "computer = 'SRVNEW'"),
                 conflicts);

        if (beforeApproval)
            QVERIFY(approve());
        const auto settings = server->askSettings("SRVNEW", mine);
        QCOMPARE(settings.status, 200);
        QCOMPARE(wire::splitSettingsReply(QString::fromUtf8(settings.body)).size(),
                 wire::kSettingsPieceCount);
        QCOMPARE(postForm(server->endpoint(), reportForm("SRVNEW"), bearer(mine)).status, 200);
        QCOMPARE(server->askSettings("SRVNEW", other).status, 401);
    }

    // The conflict event tells where the other caller came from and which key each side holds.
    void conflictEventNamesBothKeys() {
        start(Policy::Approve);
        const QString mine = wire::newAgentKey();
        const QString other = wire::newAgentKey();
        server->askSettings("SRVNEW", mine.toLatin1());
        server->askSettings("SRVNEW", other.toLatin1());
        const QJsonObject event =
            QJsonDocument::fromJson(
                server->value("SELECT body FROM events WHERE kind = 'enrolment_conflict'").toByteArray())
                .object();
        QCOMPARE(event.value("address").toString(), "127.0.0.1");
        QCOMPARE(event.value("fingerprint").toString(), wire::keyFingerprint(wire::agentKeyHash(other)));
        QCOMPARE(event.value("boundFingerprint").toString(), wire::keyFingerprint(wire::agentKeyHash(mine)));
    }

    // An agent from before agents made their keys sends none at first contact: the server still hands it
    // one, at once under open and after approval under approve.
    void keylessFirstContactStillEnrols_data() {
        QTest::addColumn<Policy>("policy");
        QTest::newRow("open") << Policy::Open;
        QTest::newRow("approve") << Policy::Approve;
    }
    void keylessFirstContactStillEnrols() {
        QFETCH(Policy, policy);
        start(policy);
        if (policy == Policy::Approve) {
            QCOMPARE(server->askSettings("OLD-AGENT").header(wire::kAgentKeyHeader), QByteArray());
            QVERIFY(decide([](auto& store) {
                return server::approveComputer(store, "OLD-AGENT", QDateTime::currentDateTime());
            }));
        }
        const QByteArray key = server->enrol("OLD-AGENT");
        QCOMPARE(key.size(), 64);
        QCOMPARE(postForm(server->endpoint(), reportForm("OLD-AGENT"), bearer(key)).status, 200);
        QCOMPARE(server->askSettings("OLD-AGENT").status, 401); // the key went out once; now it is needed
    }

    // A reset withdraws the key; the agent, still sending the one it holds, enrols again with it under the
    // policy, and keeps it.
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
        QCOMPARE(again.header(wire::kAgentKeyHeader), QByteArray());
        if (policy == Policy::Approve) {
            QCOMPARE(again.body, QByteArray());
            QCOMPARE(postForm(server->endpoint(), reportForm("SRV01"), bearer(old)).status, 401);
            QVERIFY(decide([](auto& store) {
                return server::approveComputer(store, "SRV01", QDateTime::currentDateTime());
            }));
            QCOMPARE(server->askSettings("SRV01", old).status, 200);
        }
        QCOMPARE(postForm(server->endpoint(), reportForm("SRV01"), bearer(old)).status, 200);
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
