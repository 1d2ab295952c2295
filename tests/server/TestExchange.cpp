// What the central server answers: the settings and report exchange, the time page and the update file.
#include "AgentForms.h"
#include "RunningServer.h"
#include "support/BlockingHttp.h"
#include "WireFormat.h"

using testsupport::httpRequest;
using testsupport::postForm;

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

    void reportedSettingsComeBackExactly() {
        const auto reply = postAs("WEB_01 A&B", reportForm("WEB_01 A&B"));
        QCOMPARE(QString::fromUtf8(reply.body), "Report received for WEB_01 A&B at 12/5/2026 3:00:00 PM.");
        QStringList sent;
        for (const QString& key : wire::settingsReportKeys())
            sent << settingValue(key);
        QCOMPARE(settingsReplyFor("WEB_01 A&B"), sent);
        QCOMPARE(server->count("SELECT COUNT(*) FROM reports WHERE \"sMessage\" = 'over limit, see C:\\in'"),
                 1);

        postAs("WEB_01 A&B", reportForm("WEB_01 A&B"));
        QCOMPARE(server->count("SELECT COUNT(*) FROM reports"), 2);
        QCOMPARE(server->count("SELECT COUNT(*) FROM latest_status WHERE \"sIP\" = '192.168.1.20'"), 1);
    }

    void wrongRequestsAreRefused() {
        const QByteArray form = "application/x-www-form-urlencoded";
        const QList<int> statuses{
            httpRequest("GET", server->endpoint()).status,
            httpRequest("POST", server->endpoint(), "servercode=A", "text/plain").status,
            httpRequest("POST", server->url("/kova-oru/process_serversXasp"), "servercode=A", form).status,
            httpRequest("POST", server->url("/cgi-bin/timer.pl"), "x=1", form).status};
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
        row("reply too long", reportForm("SRV01", {{"sDir10", QString(wire::kReplyReadBound, QChar(0xE9))}}),
            422, "32000");
    }
    void badFormsAreRefused() {
        QFETCH(QByteArray, body);
        QFETCH(int, status);
        QFETCH(QByteArray, reasonMentions);
        const auto reply = postAs("SRV01", body);
        QCOMPARE(reply.status, status);
        QVERIFY2(reply.body.contains(reasonMentions) && (status != 200 || reply.body.isEmpty()), reply.body);
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
        const QString page = QString::fromUtf8(httpRequest("GET", server->url("/cgi-bin/timer.pl")).body);
        const QString afterFirst = page.mid(page.indexOf("<BR>") + 4).trimmed();
        QCOMPARE(afterFirst.mid(afterFirst.indexOf("<BR>") + 4, 28), stamp.leftJustified(28));
    }

    void updateDownload() {
        const QByteArray binary = QByteArray("MZ\x90\0\r\n\x1a\xff", 8) + QByteArray(70000, '\x7f');
        const auto publish = [&] {
            QFile file(server->dir.filePath("KOVA_Oru.exe"));
            return file.open(QIODevice::WriteOnly) && file.write(binary) == binary.size();
        };
        const auto get = [&] { return httpRequest("GET", server->url("/kova-oru/updates/KOVA_Oru.exe")); };
        QCOMPARE(get().status, 404); // nothing published
        QVERIFY(publish());
        const auto reply = get();
        QCOMPARE(reply.contentType + reply.body, "application/octet-stream" + binary);

        server.emplace(); // without an updates folder nothing is served, not even from beside the database
        server->options.updatesFolder.clear();
        QVERIFY(publish() && server->start().isEmpty());
        QCOMPARE(get().status, 404);
    }
};

QTEST_GUILESS_MAIN(TestExchange)
#include "TestExchange.moc"
