// Webhook receivers added in the console, against a real server and real
// receivers on loopback: only admins see them, secrets go in and never come
// out, a test delivery is signed with the receiver's own secret and its answer
// is shown, events reach an added receiver until it is disabled, and
// command-line receivers stay.
#include "alerting/WebhookSignature.h"
#include "domain/EventKinds.h"
#include "server/RunningServer.h"
#include "support/LoopbackResponder.h"

#include <QJsonArray>

using server::Role;

namespace {

const QByteArray kSecret = "a console receiver's own secret";

QString type(const ReceivedRequest& request) {
    return QJsonDocument::fromJson(request.body).object().value("type").toString();
}

// A server with one receiver given on the command line, and an admin's and a
// viewer's token.
struct Stage {
    LoopbackResponder fixed;
    RunningServer server{RunningServer::Kind::Alerting};
    std::unique_ptr<ApiClient> admin;
    std::unique_ptr<ApiClient> viewer;

    QString start() {
        fixed.serve(Answer::http(200, ""));
        server.options.alerting.webhooks = {fixed.url("/fixed").toString()};
        const QByteArray adminToken = server.addToken(Role::Admin);
        const QByteArray viewerToken = server.addToken(Role::Viewer, "reader");
        if (const QString failed = server.start(); !failed.isEmpty())
            return failed;
        admin = std::make_unique<ApiClient>(server.url("/"));
        admin->bearer = adminToken;
        viewer = std::make_unique<ApiClient>(server.url("/"));
        viewer->bearer = viewerToken;
        return {};
    }

    ApiClient::Reply add(const QString& url, const QString& secret = kSecret) {
        return admin->post("/api/v1/webhooks", {{"url", url}, {"secret", secret}});
    }
    // The number of a receiver added with the test's secret.
    qint64 addedId(const QString& url) {
        return add(url).json.value("receiver").toObject().value("id").toInteger();
    }

    QJsonArray receivers() { return admin->get("/api/v1/webhooks").json.value("receivers").toArray(); }
};

} // namespace

class TestWebhookReceivers : public QObject {
    Q_OBJECT

private slots:
    void addRefusals_data() {
        QTest::addColumn<QString>("url");
        QTest::addColumn<QString>("secret");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("error");
        QTest::newRow("not a URL") << QString("alerts") << QString(kSecret) << 422
                                   << QString("needs an http or https URL");
        QTest::newRow("another scheme")
            << QString("ftp://127.0.0.1/x") << QString(kSecret) << 422 << QString("http or https");
        QTest::newRow("short secret")
            << QString("http://127.0.0.1:9/x") << QString("short") << 422 << QString("16 to 200 characters");
        QTest::newRow("the command line's")
            << QString("FIXED") << QString(kSecret) << 409 << QString("already a receiver");
    }
    void addRefusals() {
        QFETCH(QString, url);
        QFETCH(QString, secret);
        QFETCH(int, status);
        QFETCH(QString, error);
        Stage stage;
        QCOMPARE(stage.start(), QString());
        const auto reply = stage.add(url == "FIXED" ? stage.fixed.url("/fixed").toString() : url, secret);
        QCOMPARE(reply.status, status);
        QVERIFY2(reply.error().contains(error), qPrintable(reply.error()));
        QCOMPARE(stage.receivers().size(), 1);
    }

    void onlyAdminsAndNeverTheSecret() {
        Stage stage;
        QCOMPARE(stage.start(), QString());
        QCOMPARE(stage.viewer->get("/api/v1/webhooks").status, 403);
        QCOMPARE(
            stage.viewer
                ->post("/api/v1/webhooks", {{"url", "http://127.0.0.1:9/"}, {"secret", QString(kSecret)}})
                .status,
            403);
        QCOMPARE(stage.add("http://127.0.0.1:9/added").status, 201);
        QCOMPARE(stage.add("http://127.0.0.1:9/added").status, 409);
        const auto listed = stage.admin->get("/api/v1/webhooks");
        QVERIFY(!listed.body.contains(kSecret));
        const QJsonArray receivers = listed.json.value("receivers").toArray();
        QCOMPARE(receivers.size(), 2);
        QCOMPARE(receivers[0].toObject().value("source").toString(), QString("command line"));
        QCOMPARE(receivers[1].toObject().value("addedBy").toString(), QString("token:script"));
        QCOMPARE(stage.server.count("SELECT COUNT(*) FROM audit WHERE setting = 'webhook receiver'"), 1);
        QCOMPARE(stage.admin->post("/api/v1/webhooks/99/test").status, 404);
        QCOMPARE(stage.admin->post("/api/v1/webhooks/x/disable").status, 404);
    }

    void testAnswerIsShown_data() {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("answer");
        QTest::newRow("accepted") << 200 << QByteArray("thanks\n") << QString("HTTP 200: thanks");
        QTest::newRow("refused") << 401 << QByteArray("bad signature") << QString("HTTP 401: bad signature");
        QTest::newRow("empty") << 204 << QByteArray() << QString("HTTP 204");
    }
    void testAnswerIsShown() {
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        QFETCH(QString, answer);
        LoopbackResponder added;
        added.serve(Answer::http(status, body));
        Stage stage;
        QCOMPARE(stage.start(), QString());
        const qint64 id = stage.addedId(added.url("/added").toString());
        QCOMPARE(stage.admin->post(QString("/api/v1/webhooks/%1/test").arg(id)).status, 202);
        QTRY_COMPARE(added.requests().size(), 1);
        const ReceivedRequest test = added.requests()[0];
        QCOMPARE(type(test), server::events::webhookTest());
        QCOMPARE(test.header(server::webhook::kSignatureHeader),
                 server::webhook::signature(kSecret, test.body));
        QTRY_COMPARE(stage.receivers()[1].toObject().value("testAnswer").toString(), answer);
        QCOMPARE(stage.fixed.requests().size(),
                 0); // a test goes to that receiver only
    }

    void testOfADeadReceiverSaysWhy() {
        Stage stage;
        QCOMPARE(stage.start(), QString());
        LoopbackResponder closed; // its port is free again once it is gone
        const QString url = closed.url("/gone").toString();
        closed.close();
        const qint64 id = stage.addedId(url);
        QCOMPARE(stage.admin->post(QString("/api/v1/webhooks/%1/test").arg(id)).status, 202);
        QTRY_VERIFY(stage.receivers()[1].toObject().value("testAnswer").toString().startsWith("No answer: "));
    }

    void addedReceiverGetsEventsUntilDisabled() {
        LoopbackResponder added;
        added.serve(Answer::http(200, ""));
        Stage stage;
        QCOMPARE(stage.start(), QString());
        const qint64 id = stage.addedId(added.url("/added").toString());
        QCOMPARE(stage.server.report("PC-1", {{1, {"C:\\in", "12", "10"}}}), 200);
        QTRY_COMPARE(added.requests().size(), 1);
        QTRY_COMPARE(stage.fixed.requests().size(), 1);
        const ReceivedRequest told = added.requests()[0];
        QCOMPARE(type(told), server::events::folderOverLimit());
        QCOMPARE(told.header(server::webhook::kSignatureHeader),
                 server::webhook::signature(kSecret, told.body));
        QCOMPARE(stage.fixed.requests()[0].header(server::webhook::kSignatureHeader),
                 server::webhook::signature("shared secret", stage.fixed.requests()[0].body));

        QCOMPARE(stage.admin->post(QString("/api/v1/webhooks/%1/disable").arg(id)).status, 200);
        QVERIFY(!stage.receivers()[1].toObject().value("enabled").toBool());
        QCOMPARE(stage.admin->post(QString("/api/v1/webhooks/%1/test").arg(id)).status, 409);
        QCOMPARE(stage.server.report("PC-1", {{1, {"C:\\in", "1", "10"}}}), 200);
        QTRY_COMPARE(stage.fixed.requests().size(),
                     2); // the command line's receiver still gets them
        QTest::qWait(300);
        QCOMPARE(added.requests().size(), 1);
    }
};

QTEST_GUILESS_MAIN(TestWebhookReceivers)
#include "TestWebhookReceivers.moc"
