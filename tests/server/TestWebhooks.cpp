// Events from reports and from silence, delivered to real receivers on loopback: signed, retried until
// accepted, once per change, and never in the way of the agents' exchange.
#include "alerting/WebhookSignature.h"
#include "domain/EventKinds.h"
#include "domain/Silence.h"
#include "Endpoints.h"
#include "server/RunningServer.h"
#include "support/LoopbackResponder.h"

#include <algorithm>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

QJsonObject json(const ReceivedRequest& request) {
    return QJsonDocument::fromJson(request.body).object();
}

QString type(const ReceivedRequest& request) {
    return json(request).value("type").toString();
}

// The 99th percentile of `reports` exchanges (each one alternating the folder over and under its limit, so
// each queues an event), in milliseconds.
double exchangeP99(RunningServer& server, int reports) {
    QList<double> took;
    for (int k = 0; k < reports; ++k) {
        QElapsedTimer timer;
        timer.start();
        if (server.report("FAST", {{1, {"C:\\in", k % 2 ? "1" : "50", "10"}}}) != 200)
            return -1;
        took << double(timer.nsecsElapsed()) / 1e6;
    }
    std::sort(took.begin(), took.end());
    return took[qsizetype(0.99 * double(took.size() - 1))];
}

} // namespace

class TestWebhooks : public QObject {
    Q_OBJECT

private slots:
    void retriedUntilAcceptedOncePerChangeAndSigned() {
        LoopbackResponder failing; // the first three deliveries fail, then every one is accepted
        failing.serve(
            {Answer::http(500, "down"), Answer::http(503, ""), Answer::http(502, ""), Answer::http(204, "")});
        LoopbackResponder healthy;
        healthy.serve(Answer::http(200, "ok"));
        RunningServer server{RunningServer::Kind::Alerting};
        server.options.alerting.webhooks = {failing.url("/hook").toString(), healthy.url().toString()};
        const QByteArray token = server.addToken(server::Role::Viewer);
        QCOMPARE(server.start(), QString());

        const QMap<int, QStringList> over{{2, {"C:\\in", "12", "10"}}};
        QCOMPARE(server.report("PC-1", over), 200);
        QCOMPARE(server.report("PC-1", over), 200); // still over: nothing new to tell
        QTRY_COMPARE_WITH_TIMEOUT(failing.requests().size(), 4, 10000);
        QCOMPARE(server.report("PC-1", {{2, {"C:\\in", "3", "10"}}}), 200);
        QTRY_COMPARE_WITH_TIMEOUT(failing.requests().size(), 5, 10000);
        QTRY_COMPARE(healthy.requests().size(), 2);
        QTest::qWait(500); // nothing more comes
        QCOMPARE(failing.requests().size(), 5);
        QCOMPARE(healthy.requests().size(), 2);

        const QList<ReceivedRequest> got = failing.requests();
        QStringList types;
        QSet<QByteArray> ids;
        for (const ReceivedRequest& request : got) {
            QCOMPARE(request.header(server::webhook::kSignatureHeader),
                     server::webhook::signature("shared secret", request.body));
            QCOMPARE(request.header(server::webhook::kEventIdHeader),
                     json(request).value("id").toString().toUtf8());
            QCOMPARE(json(request).value("computer").toString(), QString("PC-1"));
            types << type(request);
            ids.insert(request.header(server::webhook::kEventIdHeader));
        }
        QCOMPARE(ids.size(), 2);
        QCOMPARE(types, QStringList({server::events::folderOverLimit(), server::events::folderOverLimit(),
                                     server::events::folderOverLimit(), server::events::folderOverLimit(),
                                     server::events::folderBackToNormal()}));
        const QJsonObject folder = json(got[0]).value("folder").toObject();
        QCOMPARE(folder.value("files").toString() + '/' + folder.value("limit").toString(), QString("12/10"));
        const auto delivery = [&](int row) {
            return server
                .value(QString("SELECT attempts || state FROM deliveries WHERE receiver LIKE '%/hook' "
                               "ORDER BY event LIMIT 1 OFFSET %1")
                           .arg(row))
                .toString();
        };
        QCOMPARE(delivery(0) + ' ' + delivery(1), QString("4delivered 1delivered"));

        // The console's list: newest first, each delivery's state.
        ApiClient api(server.url("/"));
        api.bearer = token;
        const QJsonArray events = api.get("/api/v1/events").json.value("events").toArray();
        QCOMPARE(events.size(), 2);
        QCOMPARE(events[0].toObject().value("type").toString(), server::events::folderBackToNormal());
        const QJsonArray deliveries = events[1].toObject().value("deliveries").toArray();
        QCOMPARE(deliveries.size(), 2);
        for (const QJsonValue& delivery : deliveries)
            QCOMPARE(delivery.toObject().value("state").toString(), QString("delivered"));
        QCOMPARE(api.get("/api/v1/events?limit=0").status, 400);
    }

    void scanErrorsTold() {
        LoopbackResponder receiver;
        receiver.serve(Answer::http(200, ""));
        RunningServer server{RunningServer::Kind::Alerting};
        server.options.alerting.webhooks = {receiver.url().toString()};
        QCOMPARE(server.start(), QString());
        QCOMPARE(server.report("PC-2", {{1, {"D:\\gone", "7", "10"}}},
                               "Scan Error! D:\\gone in SQL doesn't exist.\r\n"),
                 200);
        QTRY_COMPARE(receiver.requests().size(), 1);
        QCOMPARE(type(receiver.requests()[0]), server::events::folderScanError());
    }

    void enrolmentPendingToldOnce() {
        LoopbackResponder receiver;
        receiver.serve(Answer::http(200, ""));
        RunningServer server{RunningServer::Kind::Alerting};
        server.options.enrolment = server::EnrolmentPolicy::Approve;
        server.options.alerting.webhooks = {receiver.url().toString()};
        QCOMPARE(server.start(), QString());
        QCOMPARE(server.askSettings("NEWCOMER").status, 200);
        QCOMPARE(server.askSettings("NEWCOMER").status, 200); // still waiting: nothing new
        QTRY_COMPARE(receiver.requests().size(), 1);
        QCOMPARE(type(receiver.requests()[0]), server::events::enrolmentPending());
        QCOMPARE(json(receiver.requests()[0]).value("computer").toString(), QString("NEWCOMER"));
        QTest::qWait(300);
        QCOMPARE(receiver.requests().size(), 1);
    }

    void silenceFoundByTheTimerThenBack() {
        LoopbackResponder receiver;
        receiver.serve(Answer::http(200, ""));
        RunningServer server{RunningServer::Kind::Alerting};
        server.now = QDateTime(QDate(2026, 12, 5), QTime(15, 0));
        server.options.alerting.webhooks = {receiver.url().toString()};
        server.options.alerting.metricsAllow = {*server::readAddressRange("127.0.0.1")};
        QCOMPARE(server.start(), QString());
        QCOMPARE(server.report("QUIET", {}), 200);
        const qint64 silentAfter = server::silentAfterSeconds(
            server.value("SELECT \"SettingTime\" FROM computers WHERE name = 'QUIET'").toString());
        QCOMPARE(testsupport::postForm(server.url(wire::kExchangePath), "servercode=NEVER").status, 200);

        const auto silentMetric = [&] {
            const QByteArray page = testsupport::httpRequest("GET", server.url("/metrics")).body;
            return page.contains("kova_computer_silent{computer=\"QUIET\"} 1");
        };
        server.now = server.now.addSecs(silentAfter - 1);
        QTest::qWait(400);
        QCOMPARE(receiver.requests().size(), 0);
        QVERIFY(!silentMetric());
        server.now = server.now.addSecs(2);
        QTRY_COMPARE(receiver.requests().size(), 1); // the computer that never reported is not told
        QCOMPARE(type(receiver.requests()[0]), server::events::computerSilent());
        QVERIFY(silentMetric());
        QTest::qWait(300);
        QCOMPARE(receiver.requests().size(), 1);

        QCOMPARE(server.report("QUIET", {}), 200);
        QTRY_COMPARE(receiver.requests().size(), 2);
        QCOMPARE(type(receiver.requests()[1]), server::events::computerBack());
        QVERIFY(!silentMetric());
    }

    // A receiver that takes every connection and never answers, against none at all.
    void deadReceiverDoesNotSlowTheExchange() {
        RunningServer quiet{RunningServer::Kind::Alerting};
        QCOMPARE(quiet.start(), QString());
        const double without = exchangeP99(quiet, 300);

        LoopbackResponder dead; // Answer::silent() by default
        RunningServer server{RunningServer::Kind::Alerting};
        server.options.alerting.webhooks = {dead.url().toString()};
        QCOMPARE(server.start(), QString());
        const double with = exchangeP99(server, 300);
        qInfo("exchange p99: %.2f ms without a receiver, %.2f ms with a dead one", without, with);
        QVERIFY(without > 0 && with > 0);
        QVERIFY2(with < 3 * without + 20, qPrintable(QString::number(with)));
        QVERIFY(dead.requests().size() >= 1);
        QCOMPARE(server.value("SELECT COUNT(*) FROM deliveries WHERE state = 'pending'").toInt(), 300);
    }
};

QTEST_GUILESS_MAIN(TestWebhooks)
#include "TestWebhooks.moc"
