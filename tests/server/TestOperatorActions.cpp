// What operators do about alerts, against a real server on loopback with a real receiver: acknowledgements
// that follow the alert they cover and run out, maintenance windows that keep alerts from the receivers,
// the events list's filters and cursor, and its CSV export.
#include "api/CsvText.h"
#include "domain/Acknowledgement.h"
#include "domain/EventKinds.h"
#include "domain/MaintenanceWindow.h"
#include "server/RunningServer.h"
#include "support/LoopbackResponder.h"

#include <QJsonArray>
#include <QJsonDocument>

using server::Role;

namespace {

const QDateTime kStart{QDate(2026, 12, 7), QTime(10, 0)};
const QString kComputer = "DB-01";

QString iso(const QDateTime& moment) {
    return moment.toUTC().toString(Qt::ISODateWithMs);
}

// A server whose clock the test holds, telling one receiver, readable by an admin token and by /metrics.
struct Stage {
    LoopbackResponder receiver;
    RunningServer server{RunningServer::Kind::Alerting};
    std::unique_ptr<ApiClient> api;

    QString start() {
        receiver.serve(Answer::http(200, "ok"));
        server.now = kStart;
        server.options.alerting.webhooks = {receiver.url("/hook").toString()};
        server.options.alerting.metricsAllow = {*server::readAddressRange("127.0.0.1")};
        const QByteArray token = server.addToken(Role::Admin);
        if (const QString failed = server.start(); !failed.isEmpty())
            return failed;
        api = std::make_unique<ApiClient>(server.url("/"));
        api->bearer = token;
        return {};
    }

    int over(const QString& computer, int slot = 1) {
        return server.report(computer, {{slot, {"C:\\in", "12", "10"}}});
    }

    QJsonObject computer() { return api->get("/api/v1/computers/" + kComputer).json; }

    bool metric(const char* name, int value) {
        const QByteArray page = testsupport::httpRequest("GET", server.url("/metrics")).body;
        return page.contains(
            QString("%1{computer=\"%2\"} %3").arg(QString::fromLatin1(name), kComputer).arg(value).toUtf8());
    }
};

QStringList ids(const QJsonArray& events) {
    QStringList list;
    for (const QJsonValue& event : events)
        list << QString::number(event.toObject().value("id").toInteger());
    return list;
}

} // namespace

class TestOperatorActions : public QObject {
    Q_OBJECT

private slots:
    void acknowledgementCoversOneAlertUntilItRunsOut_data() {
        QTest::addColumn<QString>("acknowledged"); // the alert when acknowledged
        QTest::addColumn<QString>("standing");     // the alert now
        QTest::addColumn<int>("minutesLeft");      // until the acknowledgement runs out; 0: no end
        QTest::addColumn<bool>("stands");
        const QString slot1Over = "folder:1:C:\\in=folder_over_limit";
        const QString slot2Over = "folder:2:D:\\out=folder_over_limit";
        QTest::newRow("same alert, no end") << slot1Over << slot1Over << 0 << true;
        QTest::newRow("same alert, a minute left") << slot1Over << slot1Over << 1 << true;
        QTest::newRow("same alert, ran out") << slot1Over << slot1Over << -1 << false;
        QTest::newRow("another folder too") << slot1Over << slot1Over + '\n' + slot2Over << 0 << false;
        QTest::newRow("same folder, scan error")
            << slot1Over << QString("folder:1:C:\\in=folder_scan_error") << 0 << false;
        QTest::newRow("alert gone") << slot1Over << QString("") << 0 << false;
    }
    void acknowledgementCoversOneAlertUntilItRunsOut() {
        QFETCH(QString, acknowledged);
        QFETCH(QString, standing);
        QFETCH(int, minutesLeft);
        QFETCH(bool, stands);
        const QDateTime until = minutesLeft ? kStart.addSecs(60 * minutesLeft) : QDateTime();
        const server::Acknowledgement acknowledgement{kComputer, "ana",       "on it", kStart.addSecs(-600),
                                                      until,     acknowledged};
        QCOMPARE(server::acknowledgementStands(acknowledgement, standing, kStart), stands);
    }

    void runsOutExactlyAtItsEnd() {
        const server::Acknowledgement acknowledgement{kComputer,          "ana", "on it", kStart,
                                                      kStart.addSecs(60), "a"};
        QVERIFY(server::acknowledgementStands(acknowledgement, "a", kStart.addMSecs(59999)));
        QVERIFY(!server::acknowledgementStands(acknowledgement, "a", kStart.addSecs(60)));
    }

    void fingerprintIgnoresOrder() {
        QCOMPARE(server::alertFingerprint({{"b", "2"}, {"a", "1"}}), QString("a=1\nb=2"));
        QCOMPARE(server::alertFingerprint({}), QString());
    }

    // Through the API, the metric and the events list, as an operator meets it.
    void acknowledgedAlertShowsUntilItChanges_data() {
        QTest::addColumn<int>("secondsLater");
        QTest::addColumn<int>("nextSlotOver"); // 0: no new report
        QTest::addColumn<bool>("stillAcknowledged");
        QTest::newRow("unchanged") << 60 << 0 << true;
        QTest::newRow("same folder reports again") << 60 << 1 << true;
        QTest::newRow("another folder over too") << 60 << 2 << false;
        QTest::newRow("ran out") << 3600 << 0 << false;
    }
    void acknowledgedAlertShowsUntilItChanges() {
        QFETCH(int, secondsLater);
        QFETCH(int, nextSlotOver);
        QFETCH(bool, stillAcknowledged);
        Stage stage;
        QCOMPARE(stage.start(), QString());
        QCOMPARE(stage.over(kComputer), 200);
        QVERIFY(stage.metric("kova_computer_acknowledged", 0));
        const auto reply =
            stage.api->post("/api/v1/computers/" + kComputer + "/acknowledge",
                            {{"note", "disk swap at noon"}, {"until", iso(kStart.addSecs(3600))}});
        QCOMPARE(reply.status, 200);
        const QJsonObject shown = stage.computer().value("acknowledgement").toObject();
        QCOMPARE(shown.value("operator").toString(), QString("token:script"));
        QCOMPARE(shown.value("note").toString(), QString("disk swap at noon"));
        QVERIFY(stage.metric("kova_computer_acknowledged", 1));
        QCOMPARE(stage.server.count("SELECT COUNT(*) FROM audit WHERE setting = 'acknowledged' AND "
                                    "operator = 'token:script'"),
                 1);
        QTRY_COMPARE(stage.receiver.requests().size(), 2); // the alert and its acknowledgement
        QStringList told;
        for (const ReceivedRequest& request : stage.receiver.requests())
            told << QJsonDocument::fromJson(request.body).object().value("type").toString();
        QVERIFY2(told.contains(server::events::alertAcknowledged()), qPrintable(told.join(' ')));

        stage.server.now = kStart.addSecs(secondsLater);
        if (nextSlotOver)
            QCOMPARE(stage.over(kComputer, nextSlotOver), 200);
        QCOMPARE(stage.computer().value("acknowledgement").isObject(), stillAcknowledged);
        QVERIFY(stage.metric("kova_computer_acknowledged", stillAcknowledged ? 1 : 0));
        const QJsonArray fleet = stage.api->get("/api/v1/computers").json.value("computers").toArray();
        QCOMPARE(fleet[0].toObject().value("acknowledgement").isObject(), stillAcknowledged);
    }

    void acknowledgementRefusals_data() {
        QTest::addColumn<bool>("alerting");
        QTest::addColumn<QJsonObject>("body");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("error");
        QTest::newRow("no alert") << false << QJsonObject{{"note", "x"}} << 409
                                  << QString("nothing to acknowledge");
        QTest::newRow("no note") << true << QJsonObject{{"note", " "}} << 422 << QString("Write a note");
        QTest::newRow("until past") << true << QJsonObject{{"note", "x"}, {"until", iso(kStart)}} << 422
                                    << QString("already past");
        QTest::newRow("until no time")
            << true << QJsonObject{{"note", "x"}, {"until", "soon"}} << 422 << QString("not a date and time");
    }
    void acknowledgementRefusals() {
        QFETCH(bool, alerting);
        QFETCH(QJsonObject, body);
        QFETCH(int, status);
        QFETCH(QString, error);
        Stage stage;
        QCOMPARE(stage.start(), QString());
        QCOMPARE(stage.server.report(kComputer, {{1, {"C:\\in", alerting ? "12" : "1", "10"}}}), 200);
        const auto reply = stage.api->post("/api/v1/computers/" + kComputer + "/acknowledge", body);
        QCOMPARE(reply.status, status);
        QVERIFY2(reply.error().contains(error), qPrintable(reply.error()));
    }

    void windowCoversItsStartNotItsEnd_data() {
        QTest::addColumn<qint64>("msecsFromStart");
        QTest::addColumn<bool>("covered");
        QTest::newRow("just before the start") << qint64(-1) << false;
        QTest::newRow("at the start") << qint64(0) << true;
        QTest::newRow("just before the end") << qint64(599999) << true;
        QTest::newRow("at the end") << qint64(600000) << false;
    }
    void windowCoversItsStartNotItsEnd() {
        QFETCH(qint64, msecsFromStart);
        QFETCH(bool, covered);
        const QDateTime from = kStart.addSecs(600);
        const server::MaintenanceWindow window{1, kComputer, from, from.addSecs(600), "ana", "", ""};
        QCOMPARE(server::covers(window, from.addMSecs(msecsFromStart)), covered);
    }

    // The same boundaries end to end: the alert is recorded either way, and only outside the window told.
    void alertsInAWindowAreRecordedNotSent_data() { windowCoversItsStartNotItsEnd_data(); }
    void alertsInAWindowAreRecordedNotSent() {
        QFETCH(qint64, msecsFromStart);
        QFETCH(bool, covered);
        Stage stage;
        QCOMPARE(stage.start(), QString());
        const QDateTime from = kStart.addSecs(600);
        const auto planned =
            stage.api->post("/api/v1/computers/" + kComputer + "/maintenance",
                            {{"from", iso(from)}, {"to", iso(from.addSecs(600))}, {"note", "patching"}});
        QCOMPARE(planned.status, 404); // no such computer yet
        // Reported shortly before the window, so that at its end the computer is not silent yet (a silence
        // check between the clock's move and the alert would add events of its own).
        stage.server.now = from.addSecs(-60);
        QCOMPARE(stage.server.report(kComputer, {}), 200);
        QCOMPARE(stage.api
                     ->post("/api/v1/computers/" + kComputer + "/maintenance",
                            {{"from", iso(from)}, {"to", iso(from.addSecs(600))}, {"note", "patching"}})
                     .status,
                 201);
        stage.server.now = from.addMSecs(msecsFromStart);
        QVERIFY(stage.metric("kova_computer_maintenance", covered ? 1 : 0));
        QCOMPARE(stage.computer().value("maintenance").isObject(), covered);
        QCOMPARE(stage.over(kComputer), 200);
        QTest::qWait(300);
        QCOMPARE(stage.receiver.requests().size(), covered ? 0 : 1);
        const QJsonArray events = stage.api->get("/api/v1/events").json.value("events").toArray();
        QCOMPARE(events.size(), 1);
        QCOMPARE(events[0].toObject().value("inMaintenance").toBool(), covered);
        QCOMPARE(events[0].toObject().value("deliveries").toArray().size(), covered ? 0 : 1);
    }

    void windowRefusalsAndEnding() {
        Stage stage;
        QCOMPARE(stage.start(), QString());
        QCOMPARE(stage.server.report(kComputer, {}), 200);
        const QString path = "/api/v1/computers/" + kComputer + "/maintenance";
        const auto plan = [&](const QDateTime& from, const QDateTime& to) {
            return stage.api->post(path, {{"from", iso(from)}, {"to", iso(to)}});
        };
        QVERIFY(plan(kStart, kStart).error().contains("end after it starts"));
        QVERIFY(plan(kStart.addDays(-2), kStart.addDays(-1)).error().contains("already over"));
        QVERIFY(plan(kStart, kStart.addDays(40)).error().contains("at most 31 days"));
        const auto planned = [&](const QDateTime& from, const QDateTime& to) {
            return plan(from, to).json.value("window").toObject().value("id").toInteger();
        };
        const qint64 running = planned(kStart.addSecs(-60), kStart.addSecs(3600));
        const qint64 later = planned(kStart.addDays(1), kStart.addDays(2));
        QCOMPARE(stage.api->get(path).json.value("windows").toArray().size(), 2);
        QCOMPARE(stage.api->del(path + "?id=" + QString::number(running)).status, 200);
        QCOMPARE(stage.api->del(path + "?id=" + QString::number(later)).status, 200);
        QCOMPARE(stage.api->del(path + "?id=" + QString::number(later)).status, 404);
        QVERIFY(stage.api->del(path).error().contains("Name the window to end"));
        QCOMPARE(stage.api->get(path).json.value("windows").toArray().size(), 0);
        QVERIFY(stage.computer().value("maintenance").isNull());
        QCOMPARE(stage.server.count("SELECT COUNT(*) FROM audit WHERE setting = 'maintenance'"), 4);
    }

    void eventFilters_data() {
        QTest::addColumn<QString>("query");
        QTest::addColumn<int>("count");
        QTest::newRow("all") << QString("") << 5;
        QTest::newRow("type") << QString("type=folder_back_to_normal") << 2;
        QTest::newRow("computer") << QString("computer=OTHER") << 1;
        QTest::newRow("from, inclusive") << QString("from=") + iso(kStart.addSecs(120)) << 3;
        QTest::newRow("to, exclusive") << QString("to=") + iso(kStart.addSecs(120)) << 2;
        QTest::newRow("type and computer") << QString("type=folder_over_limit&computer=") + kComputer << 2;
    }
    void eventFilters() {
        QFETCH(QString, query);
        QFETCH(int, count);
        Stage stage;
        QCOMPARE(stage.start(), QString());
        // Over, normal, over, normal on one computer a minute apart, then another computer over.
        for (int k = 0; k < 4; ++k) {
            stage.server.now = kStart.addSecs(60 * k);
            QCOMPARE(stage.server.report(kComputer, {{1, {"C:\\in", k % 2 ? "1" : "12", "10"}}}), 200);
        }
        stage.server.now = kStart.addSecs(240);
        QCOMPARE(stage.over("OTHER"), 200);
        const auto reply = stage.api->get("/api/v1/events?" + query);
        QCOMPARE(reply.status, 200);
        QCOMPARE(reply.json.value("events").toArray().size(), count);
        QCOMPARE(stage.api->get("/api/v1/events?from=yesterday").status, 400);
    }

    void cursorPagesStayStableUnderNewEvents() {
        Stage stage;
        QCOMPARE(stage.start(), QString());
        const auto flip = [&](int k) {
            return stage.server.report(kComputer, {{1, {"C:\\in", k % 2 ? "1" : "12", "10"}}});
        };
        for (int k = 0; k < 7; ++k)
            QCOMPARE(flip(k), 200);
        const QStringList all = ids(stage.api->get("/api/v1/events").json.value("events").toArray());
        QCOMPARE(all.size(), 7);
        const auto first = stage.api->get("/api/v1/events?limit=3").json;
        QCOMPARE(ids(first.value("events").toArray()), all.mid(0, 3));
        for (int k = 7; k < 9; ++k) // two new events arrive while the operator reads
            QCOMPARE(flip(k), 200);
        const auto second = stage.api
                                ->get("/api/v1/events?limit=3&before=" +
                                      QString::number(first.value("nextBefore").toInteger()))
                                .json;
        QCOMPARE(ids(second.value("events").toArray()), all.mid(3, 3));
        const auto third = stage.api
                               ->get("/api/v1/events?limit=3&before=" +
                                     QString::number(second.value("nextBefore").toInteger()))
                               .json;
        QCOMPARE(ids(third.value("events").toArray()), all.mid(6, 1));
        QVERIFY(third.value("nextBefore").isNull());
    }

    void csvCells_data() {
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("cell");
        QTest::newRow("plain") << QString("C:\\in") << QString("C:\\in");
        QTest::newRow("formula") << QString("=1+2") << QString("'=1+2");
        QTest::newRow("plus") << QString("+41 555") << QString("'+41 555");
        QTest::newRow("minus") << QString("-3") << QString("'-3");
        QTest::newRow("at") << QString("@SUM(A1)") << QString("'@SUM(A1)");
        QTest::newRow("comma") << QString("a,b") << QString("\"a,b\"");
        QTest::newRow("quote") << QString("say \"hi\"") << QString("\"say \"\"hi\"\"\"");
        QTest::newRow("line break") << QString("one\ntwo") << QString("\"one\ntwo\"");
        QTest::newRow("formula with comma") << QString("=A1,B1") << QString("\"'=A1,B1\"");
        QTest::newRow("empty") << QString("") << QString("");
    }
    void csvCells() {
        QFETCH(QString, value);
        QFETCH(QString, cell);
        QCOMPARE(server::csv::cell(value), cell);
    }

    void csvExportTakesTheFilters() {
        Stage stage;
        QCOMPARE(stage.start(), QString());
        QCOMPARE(stage.over(kComputer), 200);
        QCOMPARE(stage.over("OTHER"), 200);
        QCOMPARE(
            stage.api
                ->post("/api/v1/computers/" + kComputer + "/acknowledge", {{"note", "=HYPERLINK(\"x\")"}})
                .status,
            200);
        const auto reply = stage.api->get("/api/v1/events.csv?computer=" + kComputer);
        QCOMPARE(reply.status, 200);
        QVERIFY(reply.contentType.startsWith("text/csv"));
        const QStringList lines = QString::fromUtf8(reply.body).split("\r\n", Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 3);
        QCOMPARE(lines[0],
                 QString("id,time,type,computer,folder,files,limit,in maintenance,operator,note,deliveries"));
        QVERIFY2(
            lines[1].contains(",alert_acknowledged,DB-01,,,,no,token:script,\"'=HYPERLINK(\"\"x\"\")\","),
            qPrintable(lines[1]));
        QVERIFY2(lines[2].contains(",folder_over_limit,DB-01,C:\\in,12,10,no,,,"), qPrintable(lines[2]));
        QCOMPARE(stage.api->get("/api/v1/events.csv?to=never").status, 400);
    }
};

QTEST_GUILESS_MAIN(TestOperatorActions)
#include "TestOperatorActions.moc"
