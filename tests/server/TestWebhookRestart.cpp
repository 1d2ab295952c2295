// The delivery queue lives in the database: a server killed with SIGKILL while a delivery hangs sends the
// same event again after its restart.
#include "alerting/WebhookSignature.h"
#include "Endpoints.h"
#include "server/AgentForms.h"
#include "support/BlockingHttp.h"
#include "support/BuiltServer.h"
#include "support/LoopbackResponder.h"

#include <QTemporaryDir>

class TestWebhookRestart : public QObject {
    Q_OBJECT

private slots:
    void eventSurvivesKillNine() {
        QTemporaryDir dir;
        QFile secret(dir.filePath("secret"));
        QVERIFY(secret.open(QIODevice::WriteOnly) && secret.write("restart secret\n") > 0);
        secret.close();
        LoopbackResponder receiver; // takes the first delivery and never answers it
        const QStringList arguments{"--port",
                                    "0",
                                    "--database",
                                    dir.filePath("db"),
                                    "--new-database",
                                    "--enrol",
                                    "open",
                                    "--webhook",
                                    receiver.url("/in").toString(),
                                    "--webhook-secret-file",
                                    secret.fileName()};
        auto first = std::make_unique<BuiltServer>();
        const auto firstStarted = first->start(arguments);
        QVERIFY2(firstStarted, qPrintable(firstStarted.reason()));

        QHash<QString, QString> over{{"sDir1", "C:\\spool"}, {"sCount1", "900"}, {"sAlert1", "100"}};
        for (int slot = 2; slot <= 10; ++slot)
            over.insert(QStringLiteral("sDir%1").arg(slot), "");
        const QUrl endpoint(first->endpoint());
        const QByteArray key = testsupport::postForm(endpoint, wire::settingsRequestBody("KILLED").toUtf8())
                                   .header(wire::kAgentKeyHeader);
        QCOMPARE(testsupport::postForm(endpoint, reportForm("KILLED", over), testsupport::bearer(key)).status,
                 200);
        QTRY_COMPARE(receiver.requests().size(), 1);
        first->kill();

        receiver.serve(Answer::http(200, "thanks"));
        BuiltServer second;
        const auto secondStarted = second.start(arguments);
        QVERIFY2(secondStarted, qPrintable(secondStarted.reason()));
        QTRY_COMPARE_WITH_TIMEOUT(receiver.requests().size(), 2, 15000);
        const ReceivedRequest before = receiver.requests()[0];
        const ReceivedRequest after = receiver.requests()[1];
        QCOMPARE(after.header(server::webhook::kEventIdHeader),
                 before.header(server::webhook::kEventIdHeader));
        QCOMPARE(after.body, before.body);
        QCOMPARE(after.header(server::webhook::kSignatureHeader),
                 server::webhook::signature("restart secret", after.body));
        QTest::qWait(300);
        QCOMPARE(receiver.requests().size(), 2); // delivered: not sent again
    }
};

QTEST_GUILESS_MAIN(TestWebhookRestart)
#include "TestWebhookRestart.moc"
