#include "ReportForm.h"
#include "RunningServer.h"
#include "support/BlockingHttp.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>

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

QStringList settingsReplyFor(const RunningServer& server, const QString& computer) {
    const auto reply = postForm(server.endpoint(), wire::settingsRequestBody(computer).toUtf8());
    return wire::splitSettingsReply(QString::fromUtf8(reply.body));
}

} // namespace

class TestExchange : public QObject {
    Q_OBJECT

private slots:
    void init();
    void newComputerGetsDefaults_data();
    void newComputerGetsDefaults();
    void emptyNameRegistersNothing();
    void reportedSettingsComeBackExactly();
    void uncarriableValueIsRefusedWhole_data();
    void uncarriableValueIsRefusedWhole();
    void badRequestsAreRefused_data();
    void badRequestsAreRefused();
    void concurrentAgentsKeepTheirOwnRows();

private:
    std::unique_ptr<RunningServer> m_server;
};

void TestExchange::init() {
    m_server = std::make_unique<RunningServer>();
    QVERIFY(m_server->start());
}

void TestExchange::newComputerGetsDefaults_data() {
    QTest::addColumn<QDateTime>("now");
    QTest::addColumn<QString>("checkUpdate");
    QTest::newRow("afternoon") << QDateTime(QDate(2026, 12, 5), QTime(15, 0, 0)) << "2026-12-06 15:00:00";
    QTest::newRow("new year") << QDateTime(QDate(2026, 12, 31), QTime(0, 0, 0)) << "2027-01-01 00:00:00";
}

void TestExchange::newComputerGetsDefaults() {
    QFETCH(QDateTime, now);
    QFETCH(QString, checkUpdate);
    m_server->now = now;
    const QStringList expected =
        QStringList{"0", "10", "0", "", "0"} + QStringList(21) + QStringList{"0", checkUpdate};
    QCOMPARE(settingsReplyFor(*m_server, "SRV 01"), expected);

    m_server->now = now.addDays(3); // registered once: the update date does not move on later requests
    QCOMPARE(settingsReplyFor(*m_server, "SRV 01"), expected);
    QCOMPARE(m_server->count("SELECT COUNT(*) FROM computers"), 1);
}

void TestExchange::emptyNameRegistersNothing() {
    const auto reply = postForm(m_server->endpoint(), "servercode=");
    QCOMPARE(reply.status, 200);
    QVERIFY(reply.body.isEmpty());
    QCOMPARE(m_server->count("SELECT COUNT(*) FROM computers"), 0);
}

void TestExchange::reportedSettingsComeBackExactly() {
    const QHash<QString, QString> report = agentReport("WEB_01 A&B");
    const auto reply = postForm(m_server->endpoint(), reportForm(report));
    QCOMPARE(reply.status, 200);
    QCOMPARE(QString::fromUtf8(reply.body),
             QStringLiteral("Report received for WEB_01 A&B at 12/5/2026 3:00:00 PM."));

    QCOMPARE(settingsReplyFor(*m_server, "WEB_01 A&B"), settingsIn(report));
    QCOMPARE(m_server->count("SELECT COUNT(*) FROM reports WHERE sMessage = 'Folder over limit, see C:\\in'"),
             1);
    QCOMPARE(m_server->count("SELECT COUNT(*) FROM latest_status WHERE sIP = '192.168.1.20'"), 1);

    postForm(m_server->endpoint(), reportForm(report));
    QCOMPARE(m_server->count("SELECT COUNT(*) FROM reports"), 2);
    QCOMPARE(m_server->count("SELECT COUNT(*) FROM latest_status"), 1);
}

void TestExchange::uncarriableValueIsRefusedWhole_data() {
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QByteArray>("reasonMentions");
    QTest::newRow("separator in a folder") << "sDir3"
                                           << "C:\\one, two" << QByteArray("sDir3");
    QTest::newRow("separator in the update date") << "sCheckUpdate"
                                                  << "12/7/2026, 3:00" << QByteArray("sCheckUpdate");
    QTest::newRow("Disable no truth value") << "sDisable" << QString() << QByteArray("sDisable");
    QTest::newRow("reply too long") << "sDir10" << QString(wire::kReplyReadBound, QChar(0xE9))
                                    << QByteArray("32000");
}

void TestExchange::uncarriableValueIsRefusedWhole() {
    QFETCH(QString, key);
    QFETCH(QString, value);
    QFETCH(QByteArray, reasonMentions);
    const QStringList registered = settingsReplyFor(*m_server, "SRV01");
    QHash<QString, QString> report = agentReport("SRV01");
    report[key] = value;

    const auto reply = postForm(m_server->endpoint(), reportForm(report));
    QCOMPARE(reply.status, 422);
    QVERIFY2(reply.body.contains(reasonMentions), reply.body);
    QCOMPARE(settingsReplyFor(*m_server, "SRV01"), registered);
    QCOMPARE(m_server->count("SELECT COUNT(*) FROM reports"), 0);
    QCOMPARE(m_server->count("SELECT COUNT(*) FROM latest_status"), 0);
}

void TestExchange::badRequestsAreRefused_data() {
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
    row("servercode and more", "POST", endpoint, form, "servercode=A&x=1", 400, "neither");
    row("key missing", "POST", endpoint, form, reportForm(agentReport("SRV01"), {"sdiskspace2", "sAlert"}),
        400, "sdiskspace2, sAlert");
    row("key twice", "POST", endpoint, form, full + "&sIP=1", 400, "sIP");
    row("no computer", "POST", endpoint, form, reportForm(agentReport("")), 400, "sComputerName");
    row("path is exact", "POST", "/kova-oru/process_serversXasp", form, full, 404, "");
    row("time page posted", "POST", "/cgi-bin/timer.pl", form, "x=1", 405, "GET");
    row("update posted", "POST", "/kova-oru/updates/KOVA_Oru.exe", form, "x=1", 405, "GET");
}

void TestExchange::badRequestsAreRefused() {
    QFETCH(QByteArray, verb);
    QFETCH(QString, path);
    QFETCH(QByteArray, contentType);
    QFETCH(QByteArray, body);
    QFETCH(int, status);
    QFETCH(QByteArray, reasonMentions);

    const auto reply = testsupport::httpRequest(verb, m_server->url(path), body, contentType);
    QCOMPARE(reply.status, status);
    QVERIFY2(reply.body.contains(reasonMentions), reply.body);
    QCOMPARE(m_server->count("SELECT COUNT(*) FROM reports"), 0);
    QCOMPARE(settingsReplyFor(*m_server, "STILL-UP").size(), wire::kSettingsPieceCount);
}

void TestExchange::concurrentAgentsKeepTheirOwnRows() {
    constexpr int kAgents = 16;
    QNetworkAccessManager manager;
    QList<QNetworkReply*> inFlight;
    for (int k = 0; k < kAgents; ++k) {
        QHash<QString, QString> report = agentReport(QStringLiteral("AGENT%1").arg(k));
        report["sDir1"] = QStringLiteral("C:\\agent %1\\in").arg(k);
        QNetworkRequest request(m_server->endpoint());
        request.setHeader(QNetworkRequest::ContentTypeHeader, "application/x-www-form-urlencoded");
        inFlight << manager.post(request, reportForm(report));
    }
    for (QNetworkReply* reply : inFlight) {
        if (!reply->isFinished())
            QVERIFY(QSignalSpy(reply, &QNetworkReply::finished).wait(15000));
        QCOMPARE(reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(), 200);
        delete reply;
    }
    for (int k = 0; k < kAgents; ++k)
        QCOMPARE(settingsReplyFor(*m_server, QStringLiteral("AGENT%1").arg(k)).at(6),
                 QStringLiteral("C:\\agent %1\\in").arg(k));
    QCOMPARE(m_server->count("SELECT COUNT(*) FROM reports"), kAgents);
}

QTEST_GUILESS_MAIN(TestExchange)
#include "TestExchange.moc"
