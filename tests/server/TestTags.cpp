// Tags on computers against a real server on loopback: what a tag may be, setting them and the audit they
// leave, the fleet filtered by a tag, and a tag's maintenance window keeping alerts from a real receiver.
#include "domain/Tags.h"
#include "server/RunningServer.h"
#include "support/LoopbackResponder.h"

#include <QJsonArray>

using server::Role;

namespace {

const QDateTime kStart{QDate(2026, 12, 7), QTime(10, 0)};

QString iso(const QDateTime& moment) {
    return moment.toUTC().toString(Qt::ISODateWithMs);
}

QStringList strings(const QJsonValue& list) {
    return list.toVariant().toStringList();
}

QStringList names(const QJsonObject& fleet) {
    QStringList list;
    for (const QJsonValue& row : fleet.value("computers").toArray())
        list << row.toObject().value("name").toString();
    list.sort();
    return list;
}

} // namespace

class TestTags : public QObject {
    Q_OBJECT

private slots:
    void tagRules_data() {
        QTest::addColumn<QStringList>("typed");
        QTest::addColumn<QStringList>("stored"); // empty when refused
        QTest::addColumn<QString>("reason");
        QStringList twenty, twentyOne;
        for (int k = 0; k < 21; ++k)
            (k < 20 ? twenty : twentyOne) << QString("t%1").arg(k, 2, 10, QChar('0'));
        twentyOne = twenty + twentyOne;
        QStringList twentySorted = twenty;
        twentySorted.sort();
        QTest::newRow("plain") << QStringList{"web", "db-2", "rack_7"} << QStringList{"db-2", "rack_7", "web"}
                               << QString();
        QTest::newRow("capitals and blanks folded")
            << QStringList{" Web ", "WEB"} << QStringList{"web"} << QString();
        QTest::newRow("none") << QStringList{} << QStringList{} << QString();
        QTest::newRow("32 characters")
            << QStringList{QString(32, 'a')} << QStringList{QString(32, 'a')} << QString();
        QTest::newRow("33 characters")
            << QStringList{QString(33, 'a')} << QStringList{} << QString("longer than 32 characters");
        QTest::newRow("blank inside") << QStringList{"new york"} << QStringList{} << QString("is not a tag");
        QTest::newRow("starts with a dash")
            << QStringList{"-web"} << QStringList{} << QString("starting with");
        QTest::newRow("accented letter") << QStringList{"zürich"} << QStringList{} << QString("letters a-z");
        QTest::newRow("comma") << QStringList{"a,b"} << QStringList{} << QString("is not a tag");
        QTest::newRow("empty") << QStringList{"web", " "} << QStringList{} << QString("cannot be empty");
        QTest::newRow("20 tags") << twenty << twentySorted << QString();
        QTest::newRow("21 tags") << twentyOne << QStringList{} << QString("at most 20 tags");
        QTest::newRow("21 typed, 20 after folding")
            << twenty + QStringList{"T00"} << twentySorted << QString();
    }
    void tagRules() {
        QFETCH(QStringList, typed);
        QFETCH(QStringList, stored);
        QFETCH(QString, reason);
        const auto tags = server::checkTags(typed);
        QVERIFY2(tags.reason().contains(reason) && tags.ok() == reason.isEmpty(), qPrintable(tags.reason()));
        if (tags)
            QCOMPARE(*tags, stored);
    }

    // Through the API as an operator or a script meets it: the computer, the fleet's rows and its filter,
    // the audit, and every refusal with what to do about it.
    void tagsThroughTheApi() {
        RunningServer server(RunningServer::Kind::Console);
        QCOMPARE(server.start(), QString());
        for (const QString& name : QStringList{"WEB-1", "WEB-2", "DB-1"})
            QVERIFY2(server.storeReport(name, server.now), qPrintable(server.error));
        const auto admin = server.loggedIn("ana", Role::Admin);
        const auto tag = [&](const QString& computer, const QJsonArray& tags) {
            return admin->put("/api/v1/computers/" + computer + "/tags", {{"tags", tags}});
        };
        QCOMPARE(tag("WEB-1", {"web", "Berlin"}).status, 200);
        QCOMPARE(tag("WEB-2", {"web"}).status, 200);
        QCOMPARE(tag("WEB-2", {"web"}).status, 200); // unchanged: no second audit row
        QCOMPARE(strings(admin->get("/api/v1/computers/WEB-1").json.value("tags")),
                 QStringList({"berlin", "web"}));
        QCOMPARE(names(admin->get("/api/v1/computers?tag=web").json), QStringList({"WEB-1", "WEB-2"}));
        QCOMPARE(names(admin->get("/api/v1/computers?tag=WEB&search=web-2").json), QStringList({"WEB-2"}));
        QCOMPARE(names(admin->get("/api/v1/computers?search=berlin").json), QStringList({"WEB-1"}));
        QCOMPARE(names(admin->get("/api/v1/computers?tag=nobody").json), QStringList());
        const QJsonArray rows =
            admin->get("/api/v1/computers?search=WEB-1").json.value("computers").toArray();
        QCOMPARE(strings(rows[0].toObject().value("tags")), QStringList({"berlin", "web"}));
        QCOMPARE(server.count("SELECT COUNT(*) FROM audit WHERE setting = 'tags'"), 2);
        QCOMPARE(server.value("SELECT new_value FROM audit WHERE computer = 'WEB-1'").toString(),
                 QString("berlin, web"));
        QCOMPARE(tag("WEB-1", {}).status, 200);
        QCOMPARE(
            server.value("SELECT old_value FROM audit WHERE computer = 'WEB-1' ORDER BY id DESC").toString(),
            QString("berlin, web"));

        QVERIFY(tag("WEB-1", {"new york"}).error().contains("is not a tag"));
        QCOMPARE(tag("WEB-1", {"new york"}).status, 422);
        QVERIFY(tag("WEB-1", {7}).error().contains("Each tag is a text"));
        QVERIFY(admin->put("/api/v1/computers/WEB-1/tags", {{"tags", "web"}}).error().contains("as a list"));
        QCOMPARE(tag("NOPE", {"web"}).status, 404);
        QVERIFY(admin->get("/api/v1/computers?tag=a%20b").error().contains("is not a tag"));
        QCOMPARE(server.loggedIn("vera", Role::Viewer)
                     ->put("/api/v1/computers/WEB-2/tags", {{"tags", QJsonArray{}}})
                     .status,
                 403);
        QCOMPARE(strings(admin->get("/api/v1/computers/WEB-2").json.value("tags")), QStringList({"web"}));
    }

    // A window for a tag covers the computers carrying the tag while it runs, whenever they were tagged.
    void tagWindowKeepsAlertsFromTheReceiver_data() {
        QTest::addColumn<QStringList>("tagsBefore"); // the computer's tags when the window is planned
        QTest::addColumn<QStringList>("tagsInside"); // its tags when the alert comes, inside the window
        QTest::addColumn<bool>("covered");
        QTest::newRow("tagged throughout") << QStringList{"db"} << QStringList{"db"} << true;
        QTest::newRow("tagged during the window") << QStringList{} << QStringList{"db", "x"} << true;
        QTest::newRow("untagged during the window") << QStringList{"db"} << QStringList{"x"} << false;
        QTest::newRow("never tagged") << QStringList{} << QStringList{} << false;
    }
    void tagWindowKeepsAlertsFromTheReceiver() {
        QFETCH(QStringList, tagsBefore);
        QFETCH(QStringList, tagsInside);
        QFETCH(bool, covered);
        const QString computer = "DB-01";
        LoopbackResponder receiver;
        receiver.serve(Answer::http(200, "ok"));
        RunningServer server(RunningServer::Kind::Alerting);
        server.now = kStart;
        server.options.alerting.webhooks = {receiver.url("/hook").toString()};
        server.options.alerting.metricsAllow = {*server::readAddressRange("127.0.0.1")};
        const QByteArray token = server.addToken(Role::Admin);
        QCOMPARE(server.start(), QString());
        ApiClient client(server.url("/"));
        client.bearer = token;
        const auto tag = [&](const QStringList& tags) {
            return client
                .put("/api/v1/computers/" + computer + "/tags", {{"tags", QJsonArray::fromStringList(tags)}})
                .status;
        };
        QCOMPARE(server.report(computer, {}), 200);
        QCOMPARE(tag(tagsBefore), 200);
        const auto planned = client.post("/api/v1/tags/db/maintenance", {{"from", iso(kStart.addSecs(60))},
                                                                         {"to", iso(kStart.addSecs(3600))},
                                                                         {"note", "database upgrade"}});
        QCOMPARE(planned.status, 201);
        QCOMPARE(planned.json.value("window").toObject().value("tag").toString(), QString("db"));
        server.now = kStart.addSecs(120);
        QCOMPARE(tag(tagsInside), 200);
        const QJsonValue shown = client.get("/api/v1/computers/" + computer).json.value("maintenance");
        QCOMPARE(shown.toObject().value("tag").toString(), covered ? QString("db") : QString());
        const QByteArray metrics = testsupport::httpRequest("GET", server.url("/metrics")).body;
        QVERIFY(metrics.contains(QString("kova_computer_maintenance{computer=\"%1\"} %2")
                                     .arg(computer)
                                     .arg(covered ? 1 : 0)
                                     .toUtf8()));
        QCOMPARE(server.report(computer, {{1, {"C:\\in", "12", "10"}}}), 200);
        QTest::qWait(300);
        QCOMPARE(receiver.requests().size(), covered ? 0 : 1);
        const QJsonArray events = client.get("/api/v1/events").json.value("events").toArray();
        QCOMPARE(events.size(), 1);
        QCOMPARE(events[0].toObject().value("inMaintenance").toBool(), covered);
    }

    void tagWindowsAreListedEndedAndAudited() {
        RunningServer server(RunningServer::Kind::Console);
        QCOMPARE(server.start(), QString());
        const auto admin = server.loggedIn("ana", Role::Admin);
        const QString path = "/api/v1/tags/web/maintenance";
        const auto planned =
            admin->post(path, {{"from", iso(server.now)}, {"to", iso(server.now.addSecs(600))}});
        QCOMPARE(planned.status, 201); // a tag no computer carries yet may still be planned for
        const qint64 id = planned.json.value("window").toObject().value("id").toInteger();
        QCOMPARE(admin->get(path).json.value("windows").toArray().size(), 1);
        QCOMPARE(admin->get("/api/v1/tags/db/maintenance").json.value("windows").toArray().size(), 0);
        QCOMPARE(admin->del("/api/v1/tags/db/maintenance?id=" + QString::number(id)).status, 404);
        QCOMPARE(admin->del(path + "?id=" + QString::number(id)).status, 200);
        QCOMPARE(admin->get(path).json.value("windows").toArray().size(), 0);
        QVERIFY(admin->get("/api/v1/tags/a%20b/maintenance").error().contains("is not a tag"));
        QVERIFY(admin->post(path, {{"from", iso(server.now)}, {"to", iso(server.now)}})
                    .error()
                    .contains("end after it starts"));
        QCOMPARE(server.count("SELECT COUNT(*) FROM audit WHERE setting = 'maintenance of tag web' AND "
                              "computer = ''"),
                 2);
    }
};

QTEST_GUILESS_MAIN(TestTags)
#include "TestTags.moc"
