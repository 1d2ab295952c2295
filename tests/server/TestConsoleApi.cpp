// The console's JSON API against a real server on loopback: who may do what, sessions and CSRF, the
// login backoff, settings changes and the audit they leave, the fleet list and the history.
#include "AgentKeyHash.h"
#include "api/ComputerJson.h"
#include "auth/LoginBackoff.h"
#include "RunningServer.h"

#include <QJsonArray>
#include <QNetworkCookie>

using server::Role;

namespace {

const QString kComputer = "WEB-01";

QJsonObject limitChange(const QString& limit) {
    return {{"Alert1", limit}};
}

QStringList names(const QJsonArray& computers) {
    QStringList list;
    for (const QJsonValue& computer : computers)
        list << computer.toObject().value("name").toString();
    return list;
}

} // namespace

class TestConsoleApi : public QObject {
    Q_OBJECT
    std::optional<RunningServer> server;
    QByteArray agentKey; // kComputer's

    int count(const QString& sql) { return server->count(sql); }

    // A fresh server with that enrolment policy, in place of the last one.
    QString startServer(server::EnrolmentPolicy policy = server::EnrolmentPolicy::Open) {
        server.emplace(RunningServer::Kind::Console);
        server->options.enrolment = policy;
        server::addTrustedProxy("127.0.0.1", server->options.trustedProxies); // clients from other addresses
        return server->start();
    }

private slots:
    void init() {
        QCOMPARE(startServer(), QString());
        agentKey = server->enrol(kComputer);
        QVERIFY(!agentKey.isEmpty());
        QVERIFY2(server->storeReport(kComputer, server->now, {{"sDir1", "C:\\in"}, {"sAlert1", "10"}}),
                 qPrintable(server->error));
    }

    // Each route: without credentials, as a viewer, as an admin, and as an admin's session without its
    // CSRF token.
    void whoMayDoWhat_data() {
        QTest::addColumn<QByteArray>("verb");
        QTest::addColumn<QString>("path");
        QTest::addColumn<QJsonObject>("body");
        QTest::addColumn<QList<int>>("statuses"); // nobody, viewer, admin, admin without CSRF
        const QString computer = "/api/v1/computers/" + kComputer;
        const auto row = [](const char* name, const char* verb, const QString& path, const QJsonObject& body,
                            QList<int> statuses) {
            QTest::newRow(name) << QByteArray(verb) << path << body << statuses;
        };
        row("fleet", "GET", "/api/v1/computers", {}, {401, 200, 200, 200});
        row("computer", "GET", computer, {}, {401, 200, 200, 200});
        row("history", "GET", computer + "/reports", {}, {401, 200, 200, 200});
        row("audit", "GET", "/api/v1/audit", {}, {401, 200, 200, 200});
        row("who am I", "GET", "/api/v1/session", {}, {401, 200, 200, 200});
        row("settings", "PUT", computer + "/settings", limitChange("20"), {401, 403, 200, 403});
        row("unknown computer", "GET", "/api/v1/computers/NOPE", {}, {401, 404, 404, 404});
        row("unknown computer's settings", "PUT", "/api/v1/computers/NOPE/settings", limitChange("20"),
            {401, 403, 404, 403});
        row("acknowledge", "POST", computer + "/acknowledge", {{"note", "x"}}, {401, 403, 409, 403});
        row("maintenance", "GET", computer + "/maintenance", {}, {401, 200, 200, 200});
        row("plan maintenance", "POST", computer + "/maintenance", {{"note", "x"}}, {401, 403, 422, 403});
        row("events as CSV", "GET", "/api/v1/events.csv", {}, {401, 200, 200, 200});
        row("tags", "PUT", computer + "/tags", {{"tags", QJsonArray{"web"}}}, {401, 403, 200, 403});
        row("a tag's maintenance", "GET", "/api/v1/tags/web/maintenance", {}, {401, 200, 200, 200});
        row("preview a change to many", "POST", "/api/v1/bulk/preview",
            {{"computers", QJsonArray{kComputer}}, {"changes", limitChange("20")}}, {401, 403, 200, 403});
        row("unknown route", "GET", "/api/v1/computer", {}, {404, 404, 404, 404});
        row("wrong method", "POST", "/api/v1/computers", {}, {405, 405, 405, 405});
    }
    void whoMayDoWhat() {
        QFETCH(QByteArray, verb);
        QFETCH(QString, path);
        QFETCH(QJsonObject, body);
        QFETCH(QList<int>, statuses);
        ApiClient nobody(server->central.url());
        const auto viewer = server->loggedIn("vera", Role::Viewer);
        const auto admin = server->loggedIn("adam", Role::Admin);
        const auto forgetful = server->loggedIn("fred", Role::Admin);
        forgetful->csrfToken.clear();
        const QByteArray json = body.isEmpty() ? QByteArray() : QJsonDocument(body).toJson();
        QList<int> seen;
        for (ApiClient* client : {&nobody, viewer.get(), admin.get(), forgetful.get()}) {
            const auto reply = client->send(verb, path, json);
            QVERIFY2(reply.status == 200 || !reply.error().isEmpty(),
                     reply.body); // errors are {"error": ...}
            seen << reply.status;
        }
        QCOMPARE(seen, statuses);
        // Only the admin with the token changed anything, and left one row saying so.
        QCOMPARE(count("SELECT COUNT(*) FROM audit"), statuses[2] == 200 && verb == "PUT" ? 1 : 0);
    }

    void apiTokensActByTheirRole() {
        const auto viewerToken = server->auth.addToken("dashboard", Role::Viewer, server->now);
        const auto adminToken = server->auth.addToken("deploy", Role::Admin, server->now);
        QVERIFY2(viewerToken && adminToken, qPrintable(viewerToken.reason() + adminToken.reason()));
        ApiClient client(server->central.url());
        const QString settings = "/api/v1/computers/" + kComputer + "/settings";
        client.bearer = viewerToken->toLatin1();
        QCOMPARE(client.get("/api/v1/computers").status, 200);
        QCOMPARE(client.put(settings, limitChange("30")).status, 403);
        client.bearer = adminToken->toLatin1(); // no CSRF token: no browser sends this header by itself
        QCOMPARE(client.put(settings, limitChange("30")).status, 200);
        client.bearer = "not-a-token";
        QCOMPARE(client.get("/api/v1/computers").status, 401);
        QCOMPARE(server->value("SELECT operator FROM audit").toString(), "token:deploy");
        QCOMPARE(count("SELECT COUNT(*) FROM api_tokens WHERE token_hash = '" + *adminToken + "'"), 0);
    }

    void sessionLivesInTheDatabase() {
        QVERIFY(server->addOperator("alice", Role::Admin));
        ApiClient client(server->central.url());
        const auto login = client.post("/api/v1/session", {{"name", "alice"}, {"password", "correct horse"}});
        QCOMPARE(login.status, 200);
        QCOMPARE(login.json.value("role").toString(), "admin");
        const QByteArray cookie = login.header("set-cookie");
        QVERIFY2(cookie.contains("HttpOnly") && cookie.contains("SameSite=Strict") &&
                     !cookie.contains("Secure"),
                 cookie);
        const auto jar = QNetworkCookie::parseCookies(cookie);
        QCOMPARE(jar.size(), 1);
        QCOMPARE(count("SELECT COUNT(*) FROM sessions WHERE operator = 'alice'"), 1);
        QCOMPARE(count("SELECT COUNT(*) FROM sessions WHERE token_hash = '" + jar[0].value() + "'"), 0);

        // The page learns its CSRF token again after a reload.
        client.csrfToken.clear();
        const auto again = client.get("/api/v1/session");
        QCOMPARE(again.json.value("csrfToken").toString(), login.json.value("csrfToken").toString());

        QCOMPARE(client.del("/api/v1/session").status, 403); // logging out is a change too
        client.csrfToken = again.json.value("csrfToken").toString().toUtf8();
        const auto logout = client.del("/api/v1/session");
        QCOMPARE(logout.status, 200);
        QVERIFY(logout.header("set-cookie").contains("Max-Age=0"));
        QCOMPARE(count("SELECT COUNT(*) FROM sessions"), 0);

        // An old cookie replayed after logout is worth nothing.
        ApiClient replay(server->central.url());
        replay.cookies()->setCookiesFromUrl(jar, server->central.url());
        QCOMPARE(replay.get("/api/v1/computers").status, 401);
    }

    void sessionsExpire() {
        const auto client = server->loggedIn("alice", Role::Viewer);
        server->now = server->now.addSecs(server::ConsoleAuth::kSessionSeconds - 1);
        QCOMPARE(client->get("/api/v1/computers").status, 200);
        server->now = server->now.addSecs(1);
        QCOMPARE(client->get("/api/v1/computers").status, 401);
    }

    // Five failures are free; then each further try waits longer, even with the right password.
    void loginBackoff() {
        QVERIFY(server->addOperator("alice", Role::Admin));
        ApiClient client(server->central.url());
        const auto attempt = [&](const QString& password) {
            return client.post("/api/v1/session", {{"name", "alice"}, {"password", password}});
        };
        for (int k = 1; k <= 4; ++k)
            QCOMPARE(attempt("wrong").json.value("retryAfterSeconds").toInt(), 0);
        const auto fifth = attempt("wrong");
        QCOMPARE(fifth.status, 401);
        QCOMPARE(fifth.json.value("retryAfterSeconds").toInt(), 30);
        const auto early = attempt("correct horse");
        QCOMPARE(early.status, 429);
        QCOMPARE(early.header("retry-after"), "30");
        QVERIFY2(early.error().contains("30 seconds"), early.body);

        server->now = server->now.addSecs(30);
        QCOMPARE(attempt("wrong").json.value("retryAfterSeconds").toInt(), 60);
        server->now = server->now.addSecs(59);
        QCOMPARE(attempt("correct horse").status, 429);
        server->now = server->now.addSecs(1);
        QCOMPARE(attempt("correct horse").status, 200);
        QCOMPARE(attempt("wrong").json.value("retryAfterSeconds").toInt(), 0); // success cleared the count

        // Names that do not exist wait alike, so the answers do not tell which names exist.
        for (int k = 1; k <= 5; ++k)
            attempt("x");
        ApiClient stranger(server->central.url());
        for (int k = 1; k <= 5; ++k)
            stranger.post("/api/v1/session", {{"name", "mallory"}, {"password", "x"}});
        QCOMPARE(stranger.post("/api/v1/session", {{"name", "mallory"}, {"password", "x"}}).status, 429);
    }

    void badLoginBodies_data() {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<int>("status");
        QTest::newRow("not JSON") << QByteArray("name=alice") << 400;
        QTest::newRow("array") << QByteArray("[]") << 400;
        QTest::newRow("password missing") << QByteArray(R"({"name":"alice"})") << 400;
        QTest::newRow("number password") << QByteArray(R"({"name":"alice","password":1})") << 400;
        QTest::newRow("unknown name") << QByteArray(R"({"name":"bob","password":"correct horse"})") << 401;
        const auto login = [](const QString& name, const QString& password) {
            return QJsonDocument(QJsonObject{{"name", name}, {"password", password}}).toJson();
        };
        QTest::newRow("name of 100 characters") << login(QString(100, 'a'), "correct horse") << 400;
        QTest::newRow("empty name") << login("", "correct horse") << 400;
        QTest::newRow("password of 1025 characters") << login("alice", QString(1025, 'p')) << 400;
        // Refused from its head; larger bodies are the edge's test's (a client still sending may see a
        // reset).
        QTest::newRow("70 KiB name") << login(QString(70 << 10, 'a'), "correct horse") << 413;
    }
    void badLoginBodies() {
        QFETCH(QByteArray, body);
        QFETCH(int, status);
        QVERIFY(server->addOperator("alice", Role::Admin));
        ApiClient client(server->central.url());
        const auto reply = client.send("POST", "/api/v1/session", body);
        QCOMPARE(reply.status, status);
        QVERIFY(status == 413 || !reply.error().isEmpty());
        QVERIFY(reply.header("set-cookie").isEmpty());
        QCOMPARE(count("SELECT COUNT(*) FROM login_failures WHERE name <> 'bob'"), 0);
    }

    // Twenty wrong passwords for an operator from one address make that address wait, even with the right
    // password; the operator logging in from elsewhere is never refused, and is told of the failures.
    void othersCannotLockOutTheOwner() {
        QVERIFY(server->addOperator("admin", Role::Admin));
        ApiClient guesser(server->central.url());
        guesser.forwardedFor = "203.0.113.7";
        QList<int> statuses;
        for (int k = 0; k < 20; ++k)
            statuses << guesser.login("admin", "wrong password");
        QCOMPARE(statuses.count(401), server::kFreeLoginFailures);
        QCOMPARE(statuses.count(429), 20 - server::kFreeLoginFailures);
        QCOMPARE(guesser.login("admin", "correct horse"), 429);

        ApiClient owner(server->central.url());
        owner.forwardedFor = "198.51.100.2";
        const auto loggedIn =
            owner.post("/api/v1/session", {{"name", "admin"}, {"password", "correct horse"}});
        QCOMPARE(loggedIn.status, 200);
        owner.csrfToken = loggedIn.json.value("csrfToken").toString().toUtf8();
        const QString at = server::timeJson(server->now).toString();
        for (const QJsonObject& session : {loggedIn.json, owner.get("/api/v1/session").json}) {
            QCOMPARE(session.value("failedLogins").toInt(), server::kFreeLoginFailures);
            QCOMPARE(session.value("lastFailedLoginAt").toString(), at);
        }
        // Told once: the next login starts afresh.
        ApiClient later(server->central.url());
        QCOMPARE(later.login("admin", "correct horse"), 200);
        QCOMPARE(later.get("/api/v1/session").json.value("failedLogins").toInt(), 0);
        QVERIFY(later.get("/api/v1/session").json.value("lastFailedLoginAt").isNull());
    }

    // One guess for each of many names from one address is capped like many guesses for one name; other
    // addresses log in meanwhile, and the cap lifts a minute after the first failure.
    void failuresPerAddressAreCapped() {
        QVERIFY(server->addOperator("alice", Role::Viewer));
        ApiClient guesser(server->central.url());
        guesser.forwardedFor = "203.0.113.9";
        for (int k = 0; k < server::kAddressFailuresPerMinute; ++k)
            QCOMPARE(guesser.login(QString("user%1").arg(k), "guess"), 401);
        const auto capped =
            guesser.post("/api/v1/session", {{"name", "alice"}, {"password", "correct horse"}});
        QCOMPARE(capped.status, 429);
        QCOMPARE(capped.header("retry-after"), "60");
        QVERIFY2(capped.error().contains("from this address"), capped.body);

        ApiClient colleague(server->central.url());
        colleague.forwardedFor = "198.51.100.3";
        QCOMPARE(colleague.login("alice", "correct horse"), 200);
        server->now = server->now.addSecs(server::kAddressWindowSeconds);
        QCOMPARE(guesser.login("user-next", "guess"), 401);
    }

    // A report built on the settings from before an operator's change leaves that change standing for the
    // next settings reply; what the agent changed itself is taken and audited under the computer's name.
    void operatorsChangeOutlivesAnOlderReport() {
        const auto admin = server->loggedIn("adam", Role::Admin);
        server->keys.insert(kComputer, agentKey);
        QCOMPARE(server->askSettings(kComputer, agentKey).status, 200);
        server->now = server->now.addSecs(5);
        QCOMPARE(admin->put("/api/v1/computers/" + kComputer + "/settings", {{"Dir1", "D:\\spool"}}).status,
                 200);
        server->now = server->now.addSecs(5);
        QCOMPARE(server->report(kComputer, {{1, {"C:\\in", "3", "10"}}, {2, {"E:\\new", "1", "5"}}}), 200);
        const auto settings = [&] {
            return wire::splitSettingsReply(QString::fromUtf8(server->askSettings(kComputer, agentKey).body));
        };
        QCOMPARE(settings().mid(6, 2), (QStringList{"D:\\spool", "E:\\new"}));
        QCOMPARE(
            count("SELECT COUNT(*) FROM audit WHERE operator = 'WEB-01' AND setting IN ('Dir2', 'Alert2')"),
            2);

        server->now = server->now.addSecs(60); // downloaded since: the agent's own change is taken again
        QCOMPARE(server->report(kComputer, {{1, {"F:\\moved", "3", "10"}}}), 200);
        QCOMPARE(settings().at(6), "F:\\moved");
    }

    // A change reaches the agent's next settings reply, and each changed value leaves one audit row.
    void settingsChangeReachesTheAgentAndTheAudit() {
        const auto admin = server->loggedIn("adam", Role::Admin);
        const QString path = "/api/v1/computers/" + kComputer + "/settings";
        const auto refused = admin->put(path, {{"Alert1", "0"}, {"Dir1", "C:\\a, b"}, {"SettingTime", "5"}});
        QCOMPARE(refused.status, 422);
        QCOMPARE(refused.json.value("reasons").toObject().keys(), QStringList({"Alert1", "Dir1"}));
        QCOMPARE(count("SELECT COUNT(*) FROM audit"), 0);

        const auto changed = admin->put(path, {{"Alert1", "25"}, {"SettingTime", "10"}, {"Disable", false}});
        QCOMPARE(changed.status, 200);
        QCOMPARE(changed.json.value("changed").toArray(), QJsonArray{"Alert1"});
        QVERIFY(!changed.json.value("note").toString().isEmpty());
        const auto reply = server->askSettings(kComputer, agentKey);
        QCOMPARE(wire::splitSettingsReply(QString::fromUtf8(reply.body)).value(16), "25");

        server->now = server->now.addSecs(60);
        const auto viewer = server->loggedIn("vera", Role::Viewer);
        QCOMPARE(admin->put(path, {{"Dir1", "D:\\spool"}}).status, 200);
        const auto audit = viewer->get("/api/v1/audit").json.value("entries").toArray();
        QCOMPARE(audit.size(), 2);
        const QJsonObject newest = audit[0].toObject();
        QCOMPARE(newest.value("setting").toString(), "Dir1");
        QCOMPARE(newest.value("oldValue").toString(), "C:\\in");
        QCOMPARE(newest.value("newValue").toString(), "D:\\spool");
        QCOMPARE(newest.value("operator").toString(), "adam");
        QCOMPARE(newest.value("computer").toString(), kComputer);
        QCOMPARE(audit[1].toObject().value("oldValue").toString(), "10");

        QCOMPARE(viewer->get("/api/v1/audit?operator=vera").json.value("entries").toArray().size(), 0);
        QCOMPARE(
            viewer->get("/api/v1/audit?computer=WEB-01&operator=adam").json.value("entries").toArray().size(),
            2);
        const auto paged = viewer->get("/api/v1/audit?limit=1");
        QCOMPARE(paged.json.value("entries").toArray().size(), 1);
        const auto older = viewer->get("/api/v1/audit?limit=1&before=" +
                                       QString::number(paged.json.value("nextBefore").toInteger()));
        QCOMPARE(older.json.value("entries").toArray()[0].toObject().value("setting").toString(), "Alert1");
    }

    void badSettingsBodies_data() {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<int>("status");
        QTest::newRow("not JSON") << QByteArray("Alert1=3") << 400;
        QTest::newRow("array") << QByteArray("[1]") << 400;
        QTest::newRow("unknown key") << QByteArray(R"({"Alert11":"3"})") << 422;
        QTest::newRow("empty object changes nothing") << QByteArray("{}") << 200;
    }
    void badSettingsBodies() {
        QFETCH(QByteArray, body);
        QFETCH(int, status);
        const auto admin = server->loggedIn("adam", Role::Admin);
        QCOMPARE(admin->send("PUT", "/api/v1/computers/" + kComputer + "/settings", body).status, status);
        QCOMPARE(count("SELECT COUNT(*) FROM audit"), 0);
    }

    // Trouble first: a folder over its limit, then silent (three cycles without a report, at least ten
    // minutes) the longest first, then the rest by name; the search narrows, the counts cover the fleet.
    void fleetOrderSearchAndPages() {
        const QDateTime now = server->now;
        server->now = now.addDays(-9); // through the exchange, so that the alert rules see the folder
        QCOMPARE(server->report("E-ALERT", {{1, {"C:\\in", "5", "1"}}}), 200);
        server->now = now;
        QVERIFY(server->storeReport("A-QUIET", now.addSecs(-599), {{"sSettingTime", "1"}})); // 600 s rule
        QVERIFY(server->storeReport("B-SILENT", now.addSecs(-600), {{"sSettingTime", "1"}}));
        QVERIFY(server->storeReport("C-SLOW", now.addSecs(-3 * 101 * 36 + 1), {{"sSettingTime", "100"}}));
        QVERIFY(server->storeReport("D-GONE", now.addSecs(-3 * 101 * 36), {{"sSettingTime", "100"}}));
        QVERIFY(server->storeReport("F-BAD-INTERVAL", now.addSecs(-700), {{"sSettingTime", "10x"}}));
        const auto viewer = server->loggedIn("vera", Role::Viewer);
        const auto page = viewer->get("/api/v1/computers");
        QCOMPARE(
            names(page.json.value("computers").toArray()),
            QStringList({"E-ALERT", "D-GONE", "F-BAD-INTERVAL", "B-SILENT", "A-QUIET", "C-SLOW", kComputer}));
        QCOMPARE(page.json.value("alerting").toInt(), 1);
        QCOMPARE(page.json.value("silentCount").toInt(), 4); // the alerting one is silent too
        const QJsonObject first = page.json.value("computers").toArray()[0].toObject();
        QCOMPARE(first.value("secondsSinceReport").toInteger(), 9 * 86400);
        QCOMPARE(first.value("silentAfterSeconds").toInt(), 3 * 11 * 36); // the server's interval stands

        QCOMPARE(names(viewer->get("/api/v1/computers?search=sil").json.value("computers").toArray()),
                 QStringList{"B-SILENT"});
        const auto none = viewer->get("/api/v1/computers?search=%25");
        QCOMPARE(none.json.value("total").toInt(), 0);

        for (int k = 0; k < 50; ++k)
            QVERIFY(server->storeReport(QStringLiteral("Z-%1").arg(k, 2, 10, QChar('0')), now));
        const auto second = viewer->get("/api/v1/computers?page=2");
        QCOMPARE(second.json.value("total").toInt(), 57);
        QCOMPARE(second.json.value("pages").toInt(), 2);
        QCOMPARE(names(second.json.value("computers").toArray()).first(), "Z-43");
        QCOMPARE(viewer->get("/api/v1/computers?page=0").status, 400);
        QCOMPARE(viewer->get("/api/v1/computers?page=x").status, 400);
    }

    void computerAndHistory() {
        const QDateTime now = server->now;
        const QHash<QString, QString> overLimit{
            {"sDir1", "C:\\in"},
            {"sAlert1", "10"},
            {"sCount1", "12"},
            {"sSize1", "1200"},
            {"sDir2", "C:\\out"},
            {"sAlert2", "100"},
            {"sCount2", "80"},
            {"sDisk1", "C:\\"},
            {"sDiskSpace1", "12,5"},
            {"sDisk2", "D:\\"},
            {"sdiskspace2", "3"},
            {"sAlertStatus", "1"},
            {"sMessage", "Directory C:\\in contains 12 files (Alert:10)."}};
        QVERIFY(server->storeReport(kComputer, now.addSecs(60), overLimit));
        QVERIFY(server->storeReport(kComputer, now.addSecs(120),
                                    {{"sDir1", "C:\\in"}, {"sAlert1", "10"}, {"sCount1", "3"}}));
        server->now = now.addSecs(180);
        const auto viewer = server->loggedIn("vera", Role::Viewer);

        const auto computer = viewer->get("/api/v1/computers/" + kComputer);
        QCOMPARE(computer.json.value("secondsSinceReport").toInt(), 60);
        QCOMPARE(computer.json.value("settings").toObject().value("Alert1").toString(), "10");
        QCOMPARE(computer.json.value("nextDownloadWithinSeconds").toInt(), 11 * 36);
        QCOMPARE(computer.json.value("status").toObject().value("folders").toArray().size(), 1);
        QCOMPARE(computer.json.value("enrolment").toString(), "keyed");
        QCOMPARE(computer.json.value("keyless").toBool(), false);

        const auto history = viewer->get("/api/v1/computers/" + kComputer + "/reports?limit=2");
        const QJsonArray reports = history.json.value("reports").toArray();
        QCOMPARE(reports.size(), 2);
        const QJsonObject older = reports[1].toObject();
        QCOMPARE(older.value("alert").toBool(), true);
        const QJsonArray folders = older.value("folders").toArray();
        QCOMPARE(folders.size(), 2);
        QCOMPARE(folders[0].toObject().value("state").toString(), "red");
        QCOMPARE(folders[0].toObject().value("count").toInt(), 12);
        QCOMPARE(folders[1].toObject().value("state").toString(), "yellow");
        const QJsonArray disks = older.value("disks").toArray();
        QCOMPARE(disks[0].toObject().value("freeBytes").toDouble(), 125000.0); // a comma decimal separator
        QCOMPARE(disks[1].toObject().value("freeBytes").toDouble(), 30000.0);

        const auto rest = viewer->get("/api/v1/computers/" + kComputer + "/reports?limit=2&before=" +
                                      QString::number(history.json.value("nextBefore").toInteger()));
        QCOMPARE(rest.json.value("reports").toArray().size(), 1);
        QVERIFY(rest.json.value("nextBefore").isNull());
        QCOMPARE(viewer->get("/api/v1/computers/" + kComputer + "/reports?limit=1001").status, 400);
        QCOMPARE(viewer->get("/api/v1/computers/NOPE/reports").status, 404);
    }

    // Approve and refuse names that wait, reset a key, allow a computer without one: admins only, each
    // audited with the standing before and after.
    void enrolmentDecisions() {
        QCOMPARE(startServer(server::EnrolmentPolicy::Approve), QString());
        const QByteArray newKey = wire::newAgentKey().toLatin1();
        QVERIFY(server->askSettings("NEW-PC", newKey).body.isEmpty());
        QVERIFY(server->askSettings("ODD-PC").body.isEmpty());
        const auto viewer = server->loggedIn("vera", Role::Viewer);
        const auto admin = server->loggedIn("adam", Role::Admin);
        const QJsonArray pending = viewer->get("/api/v1/pending").json.value("pending").toArray();
        QCOMPARE(pending.size(), 2);
        QCOMPARE(pending[0].toObject().value("name").toString(), "NEW-PC");
        QCOMPARE(pending[0].toObject().value("address").toString(), "127.0.0.1");
        QCOMPARE(pending[0].toObject().value("fingerprint").toString(),
                 wire::keyFingerprint(wire::agentKeyHash(newKey)));
        QCOMPARE(pending[1].toObject().value("fingerprint").toString(), ""); // asked without a key

        QCOMPARE(viewer->post("/api/v1/computers/NEW-PC/approve").status, 403);
        const auto approved = admin->post("/api/v1/computers/NEW-PC/approve");
        QCOMPARE(approved.json.value("enrolment").toString(), "admitted");
        QCOMPARE(admin->post("/api/v1/computers/NEW-PC/approve").status, 409);
        QCOMPARE(admin->post("/api/v1/computers/NOPE/approve").status, 404);
        QCOMPARE(server->askSettings("NEW-PC", newKey).status, 200); // the key that asked is admitted

        QCOMPARE(admin->post("/api/v1/computers/ODD-PC/refuse").status, 200);
        QCOMPARE(admin->post("/api/v1/computers/NEW-PC/refuse").status, 409); // no longer waiting
        QCOMPARE(viewer->get("/api/v1/pending").json.value("pending").toArray().size(), 0);

        QCOMPARE(admin->post("/api/v1/computers/NEW-PC/reset-key").json.value("enrolment").toString(),
                 "reset");
        QCOMPARE(admin->put("/api/v1/computers/NEW-PC/keyless", {{"allowed", "yes"}}).status, 400);
        QCOMPARE(admin->put("/api/v1/computers/NEW-PC/keyless", {{"allowed", true}})
                     .json.value("keyless")
                     .toBool(),
                 true);

        QStringList rows;
        for (const QJsonValue& entry : viewer->get("/api/v1/audit").json.value("entries").toArray()) {
            const QJsonObject row = entry.toObject();
            rows << QStringList{row.value("computer").toString(), row.value("setting").toString(),
                                row.value("oldValue").toString(), row.value("newValue").toString()}
                        .join(' ');
        }
        QCOMPARE(rows,
                 QStringList({"NEW-PC keyless 0 1", "NEW-PC enrolment keyed reset",
                              "ODD-PC enrolment pending refused", "NEW-PC enrolment pending admitted"}));
    }

    // A name holding "/", blanks and non-ASCII travels percent-encoded in one path segment.
    void oddComputerNames() {
        const QString name = "R&D/Lab 2 Über";
        QVERIFY(server->storeReport(name, server->now));
        const auto viewer = server->loggedIn("vera", Role::Viewer);
        const QString encoded = QString::fromLatin1(QUrl::toPercentEncoding(name));
        const auto reply = viewer->get("/api/v1/computers/" + encoded);
        QCOMPARE(reply.status, 200);
        QCOMPARE(reply.json.value("name").toString(), name);
    }
};

QTEST_GUILESS_MAIN(TestConsoleApi)
#include "TestConsoleApi.moc"
