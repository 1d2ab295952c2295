#include "RunningServer.h"
#include "support/BlockingHttp.h"
#include "WireFormat.h"

using testsupport::postForm;

namespace {

// A report as an agent sends it: folders with blanks and form characters, a message holding ", ".
QHash<QString, QString> agentReport(const QString& computer) {
    // clang-format off
    return {{"sComputerName", computer}, {"sIP", "192.168.1.20"}, {"sOS", "Microsoft Windows 2000"},
            {"sLogFlag", "0"}, {"sSettingTime", "10"}, {"sSnoozeTime", "0"}, {"sAutoRebootTime", "1"},
            {"sRebootTime", "12/6/2026 3:00:00 AM"}, {"sCheckUpdate", "12/7/2026 3:00:00 PM"},
            {"sDir1", "C:\\Program Files\\My App\\in box"}, {"sDir2", "D:\\a&b=c+d%e_f"},
            {"sDir3", "E:\\Übergabe_neu"}, {"sAlert1", "100"}, {"sDisable", "0"},
            {"sMessage", "Folder over limit, see C:\\in"}, {"sAlert", "1"}};
    // clang-format on
}

// The report body as the agent encodes it; keys in `leftOut` are not sent at all.
QByteArray reportForm(const QHash<QString, QString>& values, const QStringList& leftOut = {}) {
    QStringList pairs;
    for (const QString& key : wire::reportKeys())
        if (!leftOut.contains(key))
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
        const QHash<QString, QString> report = agentReport("WEB_01 A&B");
        const auto reply = postForm(server->endpoint(), reportForm(report));
        QCOMPARE(QString::fromUtf8(reply.body), "Report received for WEB_01 A&B at 12/5/2026 3:00:00 PM.");
        QStringList sent;
        for (const QString& key : wire::settingsReportKeys())
            sent << report.value(key);
        QCOMPARE(settingsReplyFor("WEB_01 A&B"), sent);
        QCOMPARE(
            server->count("SELECT COUNT(*) FROM reports WHERE sMessage = 'Folder over limit, see C:\\in'"),
            1);

        postForm(server->endpoint(), reportForm(report));
        QCOMPARE(server->count("SELECT COUNT(*) FROM reports"), 2);
        QCOMPARE(server->count("SELECT COUNT(*) FROM latest_status WHERE sIP = '192.168.1.20'"), 1);
    }

    void uncarriableValueIsRefusedWhole_data() {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QByteArray>("reasonMentions");
        QTest::newRow("separator in a folder") << "sDir3"
                                               << "C:\\one, two" << QByteArray("sDir3");
        QTest::newRow("Disable no truth value") << "sDisable" << QString() << QByteArray("sDisable");
        QTest::newRow("reply too long")
            << "sDir10" << QString(wire::kReplyReadBound, QChar(0xE9)) << QByteArray("32000");
    }
    void uncarriableValueIsRefusedWhole() {
        QFETCH(QString, key);
        QFETCH(QString, value);
        QFETCH(QByteArray, reasonMentions);
        const QStringList registered = settingsReplyFor("SRV01");
        QHash<QString, QString> report = agentReport("SRV01");
        report[key] = value;

        const auto reply = postForm(server->endpoint(), reportForm(report));
        QCOMPARE(reply.status, 422);
        QVERIFY2(reply.body.contains(reasonMentions), reply.body);
        QCOMPARE(settingsReplyFor("SRV01"), registered);
        QCOMPARE(
            server->count("SELECT (SELECT COUNT(*) FROM reports) + (SELECT COUNT(*) FROM latest_status)"), 0);
    }

    void badRequestsAreRefused_data() {
        QTest::addColumn<QByteArray>("verb");
        QTest::addColumn<QString>("path");
        QTest::addColumn<QByteArray>("contentType");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("reasonMentions");
        const auto row = [](const char* name, const char* verb, const char* path, const char* type,
                            const QByteArray& body, int status, const char* mentions) {
            QTest::newRow(name) << QByteArray(verb) << QString(path) << QByteArray(type) << body << status
                                << QByteArray(mentions);
        };
        const char* endpoint = "/kova-oru/process_servers.asp";
        const char* form = "application/x-www-form-urlencoded";
        const QByteArray full = reportForm(agentReport("SRV01"));
        row("GET", "GET", endpoint, "", "", 405, "POST");
        row("plain text", "POST", endpoint, "text/plain", "servercode=A", 400, "Content-Type");
        row("empty body", "POST", endpoint, form, "", 400, "empty");
        row("no equals", "POST", endpoint, form, "servercode", 400, "=");
        row("unknown form", "POST", endpoint, form, "foo=bar", 400, "neither");
        row("key missing", "POST", endpoint, form,
            reportForm(agentReport("SRV01"), {"sdiskspace2", "sAlert"}), 400, "sdiskspace2, sAlert");
        row("key twice", "POST", endpoint, form, full + "&sIP=1", 400, "sIP");
        row("no computer", "POST", endpoint, form, reportForm(agentReport("")), 400, "sComputerName");
        row("empty name", "POST", endpoint, form, "servercode=", 200, "");
        row("path is exact", "POST", "/kova-oru/process_serversXasp", form, full, 404, "");
        row("time page posted", "POST", "/cgi-bin/timer.pl", form, "x=1", 405, "GET");
    }
    void badRequestsAreRefused() {
        QFETCH(QByteArray, verb);
        QFETCH(QString, path);
        QFETCH(QByteArray, contentType);
        QFETCH(QByteArray, body);
        QFETCH(int, status);
        QFETCH(QByteArray, reasonMentions);
        const auto reply = testsupport::httpRequest(verb, server->url(path), body, contentType);
        QCOMPARE(reply.status, status);
        QVERIFY2(reply.body.contains(reasonMentions) && (status != 200 || reply.body.isEmpty()), reply.body);
        QCOMPARE(server->count("SELECT (SELECT COUNT(*) FROM computers) + (SELECT COUNT(*) FROM reports)"),
                 0);
        QCOMPARE(testsupport::httpRequest("GET", server->url("/cgi-bin/timer.pl")).status,
                 200); // still serving
    }
};

QTEST_GUILESS_MAIN(TestExchange)
#include "TestExchange.moc"
