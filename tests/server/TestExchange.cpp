// What the central server answers: the settings and report exchange, the time page and the update file.
#include "AgentForms.h"
#include "alerting/MetricsAccess.h"
#include "Endpoints.h"
#include "exchange/ExchangeBounds.h"
#include "RunningServer.h"
#include "support/BlockingHttp.h"
#include "WireFormat.h"

using testsupport::httpRequest;
using testsupport::postForm;

// Twenty folder slots of 1,024 two-byte characters sent as raw UTF-8: within every bound of the request,
// but a settings reply of more than 32,000 bytes.
QByteArray longSlotsForm() {
    QHash<QString, QString> folders;
    for (int piece = 6; piece <= 25; ++piece)
        folders.insert(wire::settingsReportKeys().at(piece), QString("SLOT%1").arg(piece));
    QByteArray body = reportForm("SRV01", folders);
    for (int piece = 6; piece <= 25; ++piece)
        body.replace(QString("SLOT%1&").arg(piece).toUtf8(), QString(1024, QChar(0xE9)).toUtf8() + '&');
    return body;
}

class TestExchange : public QObject {
    Q_OBJECT
    std::optional<RunningServer> server;

    QHash<QString, QByteArray> keys; // of the computers enrolled so far

    QStringList settingsReplyFor(const QString& computer) {
        if (!keys.contains(computer))
            keys.insert(computer, server->enrol(computer));
        return wire::splitSettingsReply(
            QString::fromUtf8(server->askSettings(computer, keys[computer]).body));
    }
    // Sends the body with the key of `computer`, enrolling it first.
    testsupport::HttpResult postAs(const QString& computer, const QByteArray& body) {
        settingsReplyFor(computer);
        return postForm(server->endpoint(), body, testsupport::bearer(keys[computer]));
    }

private slots:
    void init() {
        keys.clear();
        server.emplace();
        QCOMPARE(server->start(), QString());
    }

    void newComputerGetsDefaults() {
        const QStringList expected =
            QStringList{"0", "10", "0", "", "0"} + QStringList(21) + QStringList{"0", "2026-12-06 15:00:00"};
        QCOMPARE(settingsReplyFor("SRV 01"), expected);
        server->now = server->now.addDays(3); // registered once: the update date does not move on
        QCOMPARE(settingsReplyFor("SRV 01"), expected);
        QCOMPARE(server->count("SELECT COUNT(*) FROM computers"), 1);
    }

    // The folder slots come back byte for byte; the rest of what the report says keeps the server's value.
    void reportedFoldersComeBackExactly() {
        QStringList expected = settingsReplyFor("WEB_01 A&B");
        const auto reply = postAs("WEB_01 A&B", reportForm("WEB_01 A&B"));
        QCOMPARE(QString::fromUtf8(reply.body), "Report received for WEB_01 A&B at 12/5/2026 3:00:00 PM.");
        for (int piece = 6; piece <= 25; ++piece)
            expected[piece] = settingValue(wire::settingsReportKeys().at(piece));
        QCOMPARE(settingsReplyFor("WEB_01 A&B"), expected);
        QCOMPARE(server->count("SELECT COUNT(*) FROM reports WHERE \"sMessage\" = 'over limit, see C:\\in'"),
                 1);

        postAs("WEB_01 A&B", reportForm("WEB_01 A&B"));
        QCOMPARE(server->count("SELECT COUNT(*) FROM reports"), 2);
        QCOMPARE(server->count("SELECT COUNT(*) FROM latest_status WHERE \"sIP\" = '192.168.1.20'"), 1);
    }

    // The settings' change time moves only with a report that changes them.
    void settingsChangeTimeFollowsChanges() {
        const QString stale = "SELECT COUNT(*) FROM computers c JOIN latest_status s ON s.name = c.name "
                              "WHERE c.changed_at < s.received_at";
        postAs("PC-9", reportForm("PC-9"));
        QCOMPARE(server->count(stale), 0);
        server->now = server->now.addSecs(60);
        QCOMPARE(postAs("PC-9", reportForm("PC-9")).status, 200);
        QCOMPARE(server->count(stale), 1);
        server->now = server->now.addSecs(60);
        QCOMPARE(postAs("PC-9", reportForm("PC-9", {{"sDir3", "D:\\out"}})).status, 200);
        QCOMPARE(server->count(stale), 0);
        QCOMPARE(settingsReplyFor("PC-9").at(8), "D:\\out");
    }

    // The attack that once rewrote a computer's settings, now sent with the computer's own key.
    void keyedReportCannotReschedule() {
        settingsReplyFor("VICTIM-PC"); // enrols it
        const QByteArray before = server->askSettings("VICTIM-PC", keys["VICTIM-PC"]).body;
        QHash<QString, QString> attack{{"sManualReboot", "12/5/2026 3:04:00 PM"},
                                       {"sAutoRebootTime", "1"},
                                       {"sSettingTime", "1440"},
                                       {"sSnoozeTime", "99"},
                                       {"sLogFlag", "1"},
                                       {"sRebootTime", "12/5/2026 3:05:00 PM"},
                                       {"sDisable", "1"},
                                       {"sCheckUpdate", "1/1/2020"}};
        for (int piece = 6; piece <= 25; ++piece) // the folders as the server holds them
            attack.insert(wire::settingsReportKeys().at(piece), "");
        QTest::ignoreMessage(QtInfoMsg, QRegularExpression("VICTIM-PC would have changed .*sSettingTime"));
        QCOMPARE(postAs("VICTIM-PC", reportForm("VICTIM-PC", attack)).status, 200);
        QCOMPARE(server->askSettings("VICTIM-PC", keys["VICTIM-PC"]).body, before);
    }

    // A limit the console would refuse keeps the server's (with its folder, which needs one); the rest is
    // taken, and each change is audited with the computer as the one who made it.
    void reportedSettingsFollowTheConsolesRules() {
        const QStringList before = settingsReplyFor("PC-7");
        QTest::ignoreMessage(QtInfoMsg, QRegularExpression("PC-7 would have changed sAlert1 .*1 to 9999"));
        QCOMPARE(postAs("PC-7", reportForm("PC-7", {{"sAlert1", "abc"}})).status, 200);
        const QStringList after = settingsReplyFor("PC-7");
        QCOMPARE((QStringList{after[6], after[16]}), (QStringList{before[6], before[16]}));
        QCOMPARE(after[7], settingValue("sDir2"));
        QCOMPARE(server->count("SELECT COUNT(*) FROM audit WHERE operator = 'PC-7' AND computer = 'PC-7'"),
                 18);
        QCOMPARE(server->count("SELECT COUNT(*) FROM audit WHERE setting = 'Alert1'"), 0);
    }

    // Two reports per computer in ten seconds (an agent sends two in its update day's cycle), not three;
    // settings requests and other computers are not held back.
    void reportsComeAtMostTwiceInTenSeconds() {
        server.emplace();
        server->options.reportIntervalSeconds = 10;
        server->options.alerting.metricsAllow = {*server::readAddressRange("127.0.0.0/8")};
        QCOMPARE(server->start(), QString());
        QCOMPARE(postAs("PC-1", reportForm("PC-1")).status, 200);
        QCOMPARE(postAs("PC-1", reportForm("PC-1")).status, 200);
        server->now = server->now.addSecs(9);
        const auto refused = postAs("PC-1", reportForm("PC-1")); // asks for its settings first
        QCOMPARE(refused.status, 429);
        QCOMPARE(QString::fromUtf8(refused.body),
                 "Report refused: the last report of PC-1 arrived less than 10 "
                 "seconds ago. Nothing of this report was stored; send the next "
                 "one after 12/5/2026 3:00:10 PM.");
        QCOMPARE(postAs("PC-2", reportForm("PC-2")).status, 200);
        server->now = server->now.addSecs(1);
        QCOMPARE(postAs("PC-1", reportForm("PC-1")).status, 200);
        QCOMPARE(server->count("SELECT COUNT(*) FROM reports"), 4);
        const auto metrics = httpRequest("GET", server->url("/metrics"));
        QVERIFY(metrics.body.contains("kova_reports_refused_total{reason=\"too_soon\"} 1\n"));
    }

    // An agent sends its name unescaped: everything after "servercode=" is the name.
    void unescapedNameIsTheWholeRest_data() {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("name");
        QTest::newRow("ampersand") << QByteArray("servercode=R&D-PC") << "R&D-PC";
        QTest::newRow("plus and equals") << QByteArray("servercode=A+B=C") << "A+B=C";
        QTest::newRow("escaped by our agent") << wire::settingsRequestBody("R&D PC+1").toUtf8() << "R&D PC+1";
    }
    void unescapedNameIsTheWholeRest() {
        QFETCH(QByteArray, body);
        QFETCH(QString, name);
        const auto reply = postForm(server->endpoint(), body);
        QCOMPARE(reply.header(wire::kAgentKeyHeader).size(), 64);
        QCOMPARE(wire::splitSettingsReply(QString::fromUtf8(reply.body)).size(), wire::kSettingsPieceCount);
        QCOMPARE(server->value("SELECT name FROM computers").toString(), name);
    }

    void wrongRequestsAreRefused() {
        const QByteArray form = "application/x-www-form-urlencoded";
        const QList<int> statuses{
            httpRequest("GET", server->endpoint()).status,
            httpRequest("POST", server->endpoint(), "servercode=A", "text/plain").status,
            httpRequest("POST", server->url("/kova-oru/process_serversXasp"), "servercode=A", form).status,
            httpRequest("POST", server->url(wire::kTimePath), "x=1", form).status};
        QCOMPARE(statuses, QList<int>({405, 400, 404, 405}));
    }

    // Refused whole: nothing registered, stored or half-stored.
    void badFormsAreRefused_data() {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("reasonMentions");
        const auto row = [](const char* name, const QByteArray& body, int status, const QByteArray& says) {
            QTest::newRow(name) << body << status << says;
        };
        row("empty body", "", 400, "empty");
        row("no equals", "servercode", 400, "=");
        row("unknown form", "foo=bar", 400, "neither");
        row("empty name", "servercode=", 200, "");
        const QByteArray full = reportForm("SRV01");
        row("key missing", full.left(full.lastIndexOf('&')), 400, wire::reportKeys().last().toUtf8());
        row("key twice", full + "&sIP=1", 400, "sIP");
        row("no computer", reportForm(""), 400, "sComputerName");
        row("separator in a folder", reportForm("SRV01", {{"sDir3", "C:\\one, two"}}), 422, "sDir3");
        row("Disable no truth value", reportForm("SRV01", {{"sDisable", ""}}), 422, "sDisable");
        row("reply too long", longSlotsForm(), 422, "32000");
        const QString tooLong(server::kMaxValueLength + 1, 'x');
        row("body too large", reportForm("SRV01", {{"sDir10", QString(40000, QChar(0xE9))}}), 413, "");
        row("settings request too large", "servercode=" + QByteArray(70000, 'x'), 413, "");
        row("NUL in the body", full + QByteArray("\0", 1), 400, "NUL");
        row("NUL in a value", reportForm("SRV01").replace("sIP=", "sIP=%00"), 400, "sIP");
        row("invalid UTF-8 in a value", reportForm("SRV01").replace("sIP=", "sIP=%FF"), 400, "UTF-8");
        row("invalid UTF-8 in the body", full + "\xff", 400, "UTF-8");
        row("value too long", reportForm("SRV01", {{"sOS", tooLong}}), 400, "sOS");
        row("message at its bound", reportForm("SRV01", {{"sMessage", QString(4096, 'm')}}), 200, "received");
        row("message too long", reportForm("SRV01", {{"sMessage", QString(4097, 'm')}}), 400, "sMessage");
        row("name too long", reportForm(QString(65, 'N')), 400, "64");
        row("name with a control character", reportForm("SRV\t01"), 400, "control");
        row("settings name too long", "servercode=" + QByteArray(65, 'N'), 400, "");
        row("settings name not UTF-8", "servercode=SRV%FF", 400, "");
        row("settings name with NUL", "servercode=SRV%00", 400, "");
    }
    void badFormsAreRefused() {
        QFETCH(QByteArray, body);
        QFETCH(int, status);
        QFETCH(QByteArray, reasonMentions);
        const auto reply = postAs("SRV01", body);
        QCOMPARE(reply.status, status);
        const bool settingsRequest = body.startsWith("servercode=");
        QVERIFY2(reply.body.contains(reasonMentions) && (!settingsRequest || reply.body.isEmpty()),
                 reply.body);
        if (status == 200 && !settingsRequest)
            return;
        QCOMPARE(server->count("SELECT (SELECT COUNT(*) FROM computers WHERE name <> 'SRV01') + "
                               "(SELECT COUNT(*) FROM reports) + (SELECT COUNT(*) FROM latest_status)"),
                 0);
    }

    // The agent's clock setting reads the 28 characters after the second "<BR>".
    void timePageHoldsLocalTime_data() {
        QTest::addColumn<QDateTime>("now");
        QTest::addColumn<QString>("stamp");
        QTest::newRow("widest") << QDateTime({2026, 12, 31}, {23, 59, 59}) << "12/31/2026,   11:59:59 PM";
        QTest::newRow("midnight") << QDateTime({2027, 1, 1}, {0, 0, 0}) << "1/1/2027,   12:00:00 AM";
    }
    void timePageHoldsLocalTime() {
        QFETCH(QDateTime, now);
        QFETCH(QString, stamp);
        server->now = now;
        const QString page = QString::fromUtf8(httpRequest("GET", server->url(wire::kTimePath)).body);
        const QString afterFirst = page.mid(page.indexOf("<BR>") + 4).trimmed();
        QCOMPARE(afterFirst.mid(afterFirst.indexOf("<BR>") + 4, 28), stamp.leftJustified(28));
    }

    void updateDownload() {
        const QByteArray binary = QByteArray("MZ\x90\0\r\n\x1a\xff", 8) + QByteArray(70000, '\x7f');
        const auto publish = [&] {
            QFile file(server->dir.filePath("KOVA_Oru.exe"));
            return file.open(QIODevice::WriteOnly) && file.write(binary) == binary.size();
        };
        const auto get = [&] { return httpRequest("GET", server->url(wire::kUpdatePath)); };
        QCOMPARE(get().status, 404); // nothing published
        QVERIFY(publish());
        const auto reply = get();
        QCOMPARE(reply.contentType + reply.body, "application/octet-stream" + binary);
        // Its signature beside it, under the same address with ".sig" appended.
        const auto getSignature = [&] {
            return httpRequest("GET", server->url(wire::kUpdatePath + wire::kSignatureSuffix));
        };
        QCOMPARE(getSignature().status, 404);
        QFile signature(server->dir.filePath("KOVA_Oru.exe.sig"));
        QVERIFY(signature.open(QIODevice::WriteOnly) && signature.write(binary.left(64)) == 64 &&
                signature.flush());
        QCOMPARE(getSignature().body, binary.left(64));

        server.emplace(); // without an updates folder nothing is served, not even from beside the database
        server->options.updatesFolder.clear();
        QVERIFY(publish() && server->start().isEmpty());
        QCOMPARE(get().status, 404);
    }
};

QTEST_GUILESS_MAIN(TestExchange)
#include "TestExchange.moc"
