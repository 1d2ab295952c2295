// Settings changed on many computers in one step, against a real server on loopback: what the preview
// shows, all or nothing, one audit row per computer and setting, an apply refused when the previewed set
// or its changes moved meanwhile, and every limit.
#include "domain/BulkChange.h"
#include "server/RunningServer.h"

#include <QJsonArray>

using server::Role;

namespace {

const QStringList kComputers{"PC-1", "PC-2", "PC-3"};

QJsonObject byNames(const QStringList& names, const QJsonObject& changes) {
    return {{"computers", QJsonArray::fromStringList(names)}, {"changes", changes}};
}

QJsonObject byTag(const QString& tag, const QJsonObject& changes) {
    return {{"filter", QJsonObject{{"tag", tag}}}, {"changes", changes}};
}

// "PC-1 LogFlag: 0 → 1" for each shift that changes something, as the preview lists them.
QStringList shownChanges(const QJsonObject& plan) {
    QStringList shown;
    for (const QJsonValue& computer : plan.value("computers").toArray()) {
        for (const QJsonValue& change : computer.toObject().value("changes").toArray()) {
            const QJsonObject shift = change.toObject();
            shown << QString("%1 %2: %3 → %4%5")
                         .arg(computer.toObject().value("name").toString(), shift.value("setting").toString(),
                              shift.value("old").toString(), shift.value("new").toString(),
                              shift.value("changed").toBool() ? "" : " (unchanged)");
        }
    }
    return shown;
}

// A server with three computers, PC-1 watching a folder in slot 2 and tagged "web" with PC-2.
struct Fleet {
    RunningServer server{RunningServer::Kind::Console};
    std::unique_ptr<ApiClient> admin;

    QString start() {
        if (const QString failed = server.start(); !failed.isEmpty())
            return failed;
        for (const QString& name : kComputers) {
            QHash<QString, QString> values{{"sLogFlag", "0"}};
            if (name == "PC-1")
                values.insert({{"sDir2", "C:\\spool"}, {"sAlert2", "50"}});
            if (!server.storeReport(name, server.now, values))
                return server.error;
        }
        admin = server.loggedIn("ana", Role::Admin);
        for (const QString& name : QStringList{"PC-1", "PC-2"}) {
            if (tag(name, {"web"}) != 200)
                return "could not tag " + name;
        }
        return {};
    }

    int tag(const QString& name, const QStringList& tags) {
        return admin->put("/api/v1/computers/" + name + "/tags", {{"tags", QJsonArray::fromStringList(tags)}})
            .status;
    }

    ApiClient::Reply preview(const QJsonObject& body) { return admin->post("/api/v1/bulk/preview", body); }

    // Previews, then applies with the preview's fingerprint after `meanwhile` ran.
    ApiClient::Reply previewThenApply(
        QJsonObject body, const std::function<void()>& meanwhile = [] {}) {
        const auto previewed = preview(body);
        meanwhile();
        body.insert("fingerprint", previewed.json.value("fingerprint"));
        return admin->post("/api/v1/bulk/apply", body);
    }

    QString setting(const QString& computer, const QString& name) {
        return admin->get("/api/v1/computers/" + computer)
            .json.value("settings")
            .toObject()
            .value(name)
            .toString();
    }

    int bulkAuditRows() { return server.count("SELECT COUNT(*) FROM audit WHERE setting <> 'tags'"); }
};

} // namespace

class TestBulkChange : public QObject {
    Q_OBJECT

private slots:
    // Any computer that cannot take the change keeps every computer as it was.
    void allOrNothing_data() {
        QTest::addColumn<QJsonObject>("changes");
        QTest::addColumn<int>("refused");
        QTest::addColumn<int>("status");
        QTest::addColumn<int>("auditRows");
        QTest::newRow("every computer can") << QJsonObject{{"LogFlag", "1"}} << 0 << 200 << 3;
        QTest::newRow("one has a folder that needs its limit")
            << QJsonObject{{"LogFlag", "1"}, {"Alert2", ""}} << 1 << 422 << 0;
        QTest::newRow("no computer can")
            << QJsonObject{{"LogFlag", "1"}, {"SettingTime", "soon"}} << 3 << 422 << 0;
        QTest::newRow("no such setting") << QJsonObject{{"Colour", "red"}} << 3 << 422 << 0;
    }
    void allOrNothing() {
        QFETCH(QJsonObject, changes);
        QFETCH(int, refused);
        QFETCH(int, status);
        QFETCH(int, auditRows);
        Fleet fleet;
        QCOMPARE(fleet.start(), QString());
        QCOMPARE(fleet.preview(byNames(kComputers, changes)).json.value("refused").toInt(), refused);
        const auto applied = fleet.previewThenApply(byNames(kComputers, changes));
        QCOMPARE(applied.status, status);
        QCOMPARE(fleet.bulkAuditRows(), auditRows);
        QCOMPARE(fleet.setting("PC-3", "LogFlag"), QString(status == 200 ? "1" : "0"));
        if (status == 200)
            return;
        QVERIFY2(applied.error().startsWith(QString("Nothing was saved: %1 of 3 computers").arg(refused)),
                 qPrintable(applied.error()));
        int withReasons = 0;
        for (const QJsonValue& computer : applied.json.value("computers").toArray())
            withReasons += computer.toObject().value("reasons").toObject().isEmpty() ? 0 : 1;
        QCOMPARE(withReasons, refused);
    }

    // The preview lists every asked setting of every computer, unchanged ones said so; the apply leaves one
    // audit row for each computer and setting it changed.
    void previewAndAuditPerComputerAndSetting() {
        Fleet fleet;
        QCOMPARE(fleet.start(), QString());
        QCOMPARE(fleet.admin->put("/api/v1/computers/PC-2/settings", {{"SettingTime", "12"}}).status, 200);
        const QJsonObject changes{{"SettingTime", "10"}, {"LogFlag", "1"}};
        const QJsonObject body{{"filter", QJsonObject{{"search", "pc-"}}}, {"changes", changes}};
        const auto previewed = fleet.preview(body);
        QCOMPARE(previewed.status, 200);
        QCOMPARE(shownChanges(previewed.json),
                 QStringList({"PC-1 LogFlag: 0 → 1", "PC-1 SettingTime: 10 → 10 (unchanged)",
                              "PC-2 LogFlag: 0 → 1", "PC-2 SettingTime: 12 → 10", "PC-3 LogFlag: 0 → 1",
                              "PC-3 SettingTime: 10 → 10 (unchanged)"}));
        QCOMPARE(previewed.json.value("changes").toInt(), 4);
        const auto applied = fleet.previewThenApply(body);
        QCOMPARE(applied.status, 200);
        QCOMPARE(applied.json.value("count").toInt(), 3);
        QStringList audited;
        for (const QJsonValue& entry :
             fleet.admin->get("/api/v1/audit?operator=ana").json.value("entries").toArray()) {
            const QJsonObject row = entry.toObject();
            if (row.value("setting").toString() != "tags")
                audited << row.value("computer").toString() + " " + row.value("setting").toString() + " " +
                               row.value("newValue").toString();
        }
        audited.sort();
        QCOMPARE(audited, QStringList({"PC-1 LogFlag 1", "PC-2 LogFlag 1", "PC-2 SettingTime 10",
                                       "PC-2 SettingTime 12", "PC-3 LogFlag 1"}));
    }

    // What was previewed is what is applied, or nothing is.
    void changedSincePreviewIsRefused_data() {
        QTest::addColumn<QString>("meanwhile");
        QTest::addColumn<int>("status");
        QTest::newRow("nothing") << "nothing" << 200;
        QTest::newRow("a previewed setting changed on one computer") << "setting" << 409;
        QTest::newRow("another computer took the tag") << "joined" << 409;
        QTest::newRow("a computer left the tag") << "left" << 409;
        QTest::newRow("another change sent with the fingerprint") << "other change" << 409;
        QTest::newRow("a setting not in the change changed") << "unrelated" << 200;
    }
    void changedSincePreviewIsRefused() {
        QFETCH(QString, meanwhile);
        QFETCH(int, status);
        Fleet fleet;
        QCOMPARE(fleet.start(), QString());
        QJsonObject body = byTag("web", {{"LogFlag", "1"}});
        const auto previewed = fleet.preview(body);
        if (meanwhile == "setting")
            QCOMPARE(fleet.admin->put("/api/v1/computers/PC-2/settings", {{"LogFlag", "7"}}).status, 200);
        if (meanwhile == "unrelated")
            QCOMPARE(fleet.admin->put("/api/v1/computers/PC-2/settings", {{"SnoozeTime", "5"}}).status, 200);
        if (meanwhile == "joined")
            QCOMPARE(fleet.tag("PC-3", {"web"}), 200);
        if (meanwhile == "left")
            QCOMPARE(fleet.tag("PC-2", {}), 200);
        if (meanwhile == "other change")
            body.insert("changes", QJsonObject{{"LogFlag", "2"}});
        body.insert("fingerprint", previewed.json.value("fingerprint"));
        const int before = fleet.server.count("SELECT COUNT(*) FROM audit WHERE setting = 'LogFlag'");
        const auto applied = fleet.admin->post("/api/v1/bulk/apply", body);
        QCOMPARE(applied.status, status);
        QCOMPARE(fleet.server.count("SELECT COUNT(*) FROM audit WHERE setting = 'LogFlag'") - before,
                 status == 200 ? 2 : 0);
        if (status == 409)
            QVERIFY2(applied.error().contains("changed since the preview") &&
                         applied.error().contains("preview again"),
                     qPrintable(applied.error()));
    }

    void refusals_data() {
        QTest::addColumn<QString>("route");
        QTest::addColumn<QJsonObject>("body");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("error");
        const QJsonObject change{{"LogFlag", "1"}};
        QStringList tooMany;
        for (int k = 0; k <= server::kMostNamesInBulk; ++k)
            tooMany << QString("PC-%1").arg(k);
        QTest::newRow("neither names nor filter")
            << "preview" << QJsonObject{{"changes", change}} << 400 << "one of the two";
        QTest::newRow("names and filter")
            << "preview"
            << QJsonObject{{"computers", QJsonArray{"PC-1"}}, {"filter", QJsonObject{}}, {"changes", change}}
            << 400 << "one of the two";
        QTest::newRow("no change") << "preview" << byNames({"PC-1"}, {}) << 422
                                   << "Choose at least one setting";
        QTest::newRow("no names") << "preview" << byNames({}, change) << 422 << "Name at least one computer";
        QTest::newRow("1,001 names") << "preview" << byNames(tooMany, change) << 422
                                     << "Name at most 1,000 computers";
        QTest::newRow("unknown names") << "preview" << byNames({"PC-1", "NOPE", "GONE"}, change) << 422
                                       << "No computer is named GONE, NOPE.";
        QTest::newRow("not a tag") << "preview" << byTag("a b", change) << 422 << "is not a tag";
        QTest::newRow("no such state")
            << "preview" << QJsonObject{{"filter", QJsonObject{{"state", "red"}}}, {"changes", change}} << 422
            << "state must be";
        QTest::newRow("nothing matches")
            << "preview" << byTag("nobody", change) << 422 << "No computer matches the filter";
        QTest::newRow("apply without preview")
            << "apply" << byTag("web", change) << 400 << "Preview the change first";
    }
    void refusals() {
        QFETCH(QString, route);
        QFETCH(QJsonObject, body);
        QFETCH(int, status);
        QFETCH(QString, error);
        Fleet fleet;
        QCOMPARE(fleet.start(), QString());
        const auto reply = fleet.admin->post("/api/v1/bulk/" + route, body);
        QCOMPARE(reply.status, status);
        QVERIFY2(reply.error().contains(error), qPrintable(reply.error()));
        QCOMPARE(fleet.bulkAuditRows(), 0);
    }

    // The fleet's filter reaches at most 10,000 computers: exactly that many are previewed, one more is
    // refused.
    void tenThousandByFilterAtMost() {
        Fleet fleet;
        QCOMPARE(fleet.start(), QString());
        const auto addComputers = [&](int first, int last) {
            QStringList columns = server::SettingsRecord::fieldNames();
            for (QString& column : columns)
                column = '"' + column + '"';
            columns << "registered_at"
                    << "changed_at";
            return fleet.server.execute(
                QString("WITH RECURSIVE n(k) AS (SELECT %1 UNION ALL SELECT k + 1 FROM n WHERE k < %2) "
                        "INSERT INTO computers (name, %3) SELECT 'MANY-' || k, %4 FROM n, computers c "
                        "WHERE c.name = 'PC-3'")
                    .arg(first)
                    .arg(last)
                    .arg(columns.join(", "), "c." + columns.join(", c.")));
        };
        const int most = server::kMostComputersInBulk;
        QVERIFY(addComputers(1, most - int(kComputers.size())));
        const QJsonObject body{{"filter", QJsonObject{}}, {"changes", QJsonObject{{"LogFlag", "1"}}}};
        const auto all = fleet.preview(body);
        QCOMPARE(all.status, 200);
        QCOMPARE(all.json.value("count").toInt(), most);
        QVERIFY(addComputers(most, most));
        const auto tooMany = fleet.preview(body);
        QCOMPARE(tooMany.status, 422);
        QCOMPARE(tooMany.error(),
                 QString("The filter matches 10,001 computers; one change covers at most 10,000: "
                         "narrow the filter."));
    }
};

QTEST_GUILESS_MAIN(TestBulkChange)
#include "TestBulkChange.moc"
