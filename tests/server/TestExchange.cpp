#include "RunningServer.h"
#include "support/BlockingHttp.h"
#include "WireFormat.h"

using testsupport::postForm;

namespace {

// A report as an agent sends it: every setting distinct, with blanks, form characters and non-ASCII;
// the message (no setting) may hold ", ".
QHash<QString, QString> agentReport(const QString& computer) {
    QHash<QString, QString> report{
        {"sComputerName", computer}, {"sIP", "192.168.1.20"}, {"sMessage", "over limit, see C:\\in"}};
    for (const QString& key : wire::settingsReportKeys())
        report.insert(key, key == "sDisable" ? "0" : key + " C:\\My App\\a&b=c+d%e_f Über");
    return report;
}

// The report body as the agent encodes it, with `changed` values replaced; keys valued "<none>" are left out.
QByteArray reportForm(const QString& computer, const QHash<QString, QString>& changed = {}) {
    QHash<QString, QString> values = agentReport(computer);
    values.insert(changed);
    QStringList pairs;
    for (const QString& key : wire::reportKeys())
        if (values.value(key) != "<none>")
            pairs << key + '=' +
                         (key == "sDisable" ? wire::escapeFormValue(values.value(key))
                                            : wire::EncodeFieldValue(values.value(key)));
    return pairs.join('&').toUtf8();
}

} // namespace

class TestExchange : public QObject {
    Q_OBJECT
    std::optional<RunningServer> server;

    QStringList settingsReplyFor(const QString& computer) {
        const auto reply = postForm(server->endpoint(), wire::settingsRequestBody(computer).toUtf8());
        return wire::splitSettingsReply(QString::fromUtf8(reply.body));
    }

private slots:
    void init() {
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
        const auto reply = postForm(server->endpoint(), reportForm("WEB_01 A&B"));
        QCOMPARE(QString::fromUtf8(reply.body), "Report received for WEB_01 A&B at 12/5/2026 3:00:00 PM.");
        QStringList sent;
        for (const QString& key : wire::settingsReportKeys())
            sent << agentReport("WEB_01 A&B").value(key);
        QCOMPARE(settingsReplyFor("WEB_01 A&B"), sent);
        QCOMPARE(server->count("SELECT COUNT(*) FROM reports WHERE sMessage = 'over limit, see C:\\in'"), 1);

        postForm(server->endpoint(), reportForm("WEB_01 A&B"));
        QCOMPARE(server->count("SELECT COUNT(*) FROM reports"), 2);
        QCOMPARE(server->count("SELECT COUNT(*) FROM latest_status WHERE sIP = '192.168.1.20'"), 1);
    }

    void wrongRequestsAreRefused() {
        using testsupport::httpRequest;
        const QByteArray form = "application/x-www-form-urlencoded";
        QCOMPARE(httpRequest("GET", server->endpoint()).status, 405);
        QCOMPARE(httpRequest("POST", server->endpoint(), "servercode=A", "text/plain").status, 400);
        QCOMPARE(
            httpRequest("POST", server->url("/kova-oru/process_serversXasp"), reportForm("A"), form).status,
            404);
        QCOMPARE(httpRequest("POST", server->url("/cgi-bin/timer.pl"), "x=1", form).status, 405);
        QCOMPARE(server->count("SELECT (SELECT COUNT(*) FROM computers) + (SELECT COUNT(*) FROM reports)"),
                 0);
    }

    // Refused whole: nothing registered, stored or half-stored, and the server goes on.
    void badFormsAreRefused_data() {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("reasonMentions");
        const auto row = [](const char* name, const QByteArray& body, int status, const char* mentions) {
            QTest::newRow(name) << body << status << QByteArray(mentions);
        };
        row("empty body", "", 400, "empty");
        row("no equals", "servercode", 400, "=");
        row("unknown form", "foo=bar", 400, "neither");
        row("empty name", "servercode=", 200, "");
        row("key missing", reportForm("SRV01", {{"sdiskspace2", "<none>"}, {"sAlert", "<none>"}}), 400,
            "sdiskspace2, sAlert");
        row("key twice", reportForm("SRV01") + "&sIP=1", 400, "sIP");
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
        const auto reply = postForm(server->endpoint(), body);
        QCOMPARE(reply.status, status);
        QVERIFY2(reply.body.contains(reasonMentions) && (status != 200 || reply.body.isEmpty()), reply.body);
        QCOMPARE(server->count("SELECT (SELECT COUNT(*) FROM computers) + (SELECT COUNT(*) FROM reports) + "
                               "(SELECT COUNT(*) FROM latest_status)"),
                 0);
        QCOMPARE(settingsReplyFor("STILL UP").size(), wire::kSettingsPieceCount);
    }
};

QTEST_GUILESS_MAIN(TestExchange)
#include "TestExchange.moc"
