// The /metrics page from a real server: who may read it, and a fleet larger than one page of the store
// streamed in chunks with every metric family whole.
#include "server/RunningServer.h"

namespace {

testsupport::HttpResult fetch(const QUrl& url, const QByteArray& verb = "GET", const QByteArray& bearer = {},
                              const QByteArray& forwardedFor = {}) {
    testsupport::HeaderList headers;
    if (!bearer.isEmpty())
        headers.append(testsupport::bearer(bearer));
    if (!forwardedFor.isEmpty())
        headers.append({"X-Forwarded-For", forwardedFor});
    return testsupport::httpRequest(verb, url, {}, {}, headers);
}

} // namespace

class TestMetricsPage : public QObject {
    Q_OBJECT

    RunningServer server{RunningServer::Kind::Alerting};
    QByteArray token;
    RunningServer sent{
        RunningServer::Kind::Alerting}; // computers with odd values, apart from the paged fleet

    QByteArray pageOf(const RunningServer& running) {
        const auto page = fetch(running.url("/metrics"));
        return page.status == 200 ? page.body : QByteArray();
    }

private slots:
    void initTestCase() {
        token = server.addToken(server::Role::Viewer);
        QVERIFY(!token.isEmpty());
        server.options.alerting.metricsAllow = {*server::readAddressRange("10.0.0.0/8")};
        server.options.newNamesPerMinute = 2000; // the whole fleet enrols at once from loopback
        QCOMPARE(server.start(), QString());
        sent.options.alerting.metricsAllow = {*server::readAddressRange("127.0.0.0/8")};
        QCOMPARE(sent.start(), QString());
    }

    void access_data() {
        QTest::addColumn<QByteArray>("verb");
        QTest::addColumn<QByteArray>("bearer");
        QTest::addColumn<int>("status");
        QTest::newRow("no token, address not allowed") << QByteArray("GET") << QByteArray() << 401;
        QTest::newRow("wrong token") << QByteArray("GET") << QByteArray("x").repeated(43) << 401;
        QTest::newRow("viewer token") << QByteArray("GET") << QByteArray() << 200;
        QTest::newRow("POST") << QByteArray("POST") << QByteArray() << 405;
    }
    void access() {
        QFETCH(QByteArray, verb);
        QFETCH(QByteArray, bearer);
        QFETCH(int, status);
        const bool useToken = QByteArray(QTest::currentDataTag()) == "viewer token";
        QCOMPARE(fetch(server.url("/metrics"), verb, useToken ? token : bearer).status, status);
    }

    void allowedAddressNeedsNoToken() {
        RunningServer open{RunningServer::Kind::Alerting};
        open.options.alerting.metricsAllow = {*server::readAddressRange("127.0.0.0/8")};
        QCOMPARE(open.start(), QString());
        QCOMPARE(fetch(open.url("/metrics")).status, 200);
    }

    // Behind nginx the allowed address is the client's, which only a trusted proxy may name.
    void allowedAddressBehindProxy_data() {
        QTest::addColumn<QString>("allowed");
        QTest::addColumn<QString>("proxy");
        QTest::addColumn<QByteArray>("forwardedFor");
        QTest::addColumn<int>("status");
        QTest::newRow("untrusted peer names an outsider")
            << "127.0.0.0/8" << QString() << QByteArray("203.0.113.9") << 200;
        QTest::newRow("untrusted peer names an allowed client")
            << "10.0.0.0/8" << QString() << QByteArray("10.1.2.3") << 401;
        QTest::newRow("proxy names an allowed client") << "10.0.0.0/8"
                                                       << "127.0.0.1" << QByteArray("10.1.2.3") << 200;
        QTest::newRow("proxy names an outsider") << "127.0.0.0/8"
                                                 << "127.0.0.1" << QByteArray("203.0.113.9") << 401;
    }
    void allowedAddressBehindProxy() {
        QFETCH(QString, allowed);
        QFETCH(QString, proxy);
        QFETCH(QByteArray, forwardedFor);
        QFETCH(int, status);
        RunningServer front{RunningServer::Kind::Alerting};
        front.options.alerting.metricsAllow = {*server::readAddressRange(allowed)};
        QVERIFY(proxy.isEmpty() || server::addTrustedProxy(proxy, front.options.trustedProxies));
        QCOMPARE(front.start(), QString());
        QCOMPARE(fetch(front.url("/metrics"), "GET", {}, forwardedFor).status, status);
    }

    void fleetBeyondOnePageStreamsWholeFamilies() {
        constexpr int kComputers = 1001; // the store gives 1,000 a page
        for (int k = 0; k < kComputers; ++k)
            QCOMPARE(server.report(QStringLiteral("PC-%1").arg(k, 4, 10, QChar('0')),
                                   {{3, {"C:\\in \"x\"", QString::number(k), "500"}}}),
                     200);
        const auto page = fetch(server.url("/metrics"), "GET", token);
        QCOMPARE(page.status, 200);
        QCOMPARE(page.header("Transfer-Encoding"), QByteArray("chunked"));

        QStringList familyOrder;
        QHash<QString, int> samples;
        for (const QByteArray& line : page.body.split('\n')) {
            if (line.startsWith("# TYPE ")) {
                familyOrder << QString::fromUtf8(line.split(' ')[2]);
                continue;
            }
            if (line.isEmpty() || line.startsWith('#'))
                continue;
            const QString name = QString::fromUtf8(
                line.left(std::min(line.indexOf(' '), line.contains('{') ? line.indexOf('{') : line.size())));
            QVERIFY2(name.startsWith(familyOrder.last()), qPrintable(name)); // inside the open family
            ++samples[name];
        }
        QCOMPARE(familyOrder.removeDuplicates(), 0);
        for (const char* name :
             {"kova_folder_files", "kova_folder_limit", "kova_folder_state", "kova_agent_info",
              "kova_computer_silent", "kova_last_report_timestamp_seconds", "kova_computer_acknowledged",
              "kova_computer_maintenance", "kova_disk_low"})
            QCOMPARE(samples.value(name), kComputers);
        QVERIFY(page.body.contains(
            "kova_folder_files{computer=\"PC-0600\",slot=\"3\",path=\"C:\\\\in \\\"x\\\"\"} 600\n"));
        QVERIFY(page.body.contains(
            "kova_folder_state{computer=\"PC-0600\",slot=\"3\",path=\"C:\\\\in \\\"x\\\"\"} 2\n"));
        QVERIFY(page.body.contains("kova_reports_stored_total 1001\n"));
        // Each computer asked for its settings (and its key) before it reported.
        QVERIFY(page.body.contains("kova_http_requests_total{route=\"exchange\",status=\"200\"} 2002\n"));
    }

    void emptyFleetHasEveryFamily() {
        RunningServer empty{RunningServer::Kind::Alerting};
        empty.options.alerting.metricsAllow = {*server::readAddressRange("127.0.0.0/8")};
        QCOMPARE(empty.start(), QString());
        empty.enrol("NEVER-REPORTED");
        const QByteArray page = pageOf(empty);
        for (const char* family :
             {"kova_folder_files", "kova_folder_limit", "kova_folder_state", "kova_disk_free_bytes",
              "kova_disk_low", "kova_last_report_timestamp_seconds", "kova_computer_silent",
              "kova_computer_acknowledged", "kova_computer_maintenance", "kova_agent_info"})
            QVERIFY2(page.contains(QByteArray("# TYPE ") + family + " gauge\n"), family);
        QVERIFY(!page.contains("computer="));
    }

    // What agents send reaches the page as the format wants it: labels escaped, a number exactly as it
    // reads, and nothing for a value that is no number.
    void reportedValues_data() {
        QTest::addColumn<QString>("computer");
        QTest::addColumn<QStringList>("folder"); // slot 1: path, files, limit
        QTest::addColumn<QString>("freeSpace");  // of disk C:\\ in units of 10,000 bytes
        QTest::addColumn<QString>("version");
        QTest::addColumn<QByteArrayList>("lines");
        QTest::addColumn<QByteArrayList>("absent");
        QTest::newRow("quotes, backslashes and line feeds")
            << "ESCAPES" << QStringList{"C:\\a \"b\"", "5", "100"} << "7"
            << "2.2 \"beta\"\n\\x"
            << QByteArrayList{"kova_folder_files{computer=\"ESCAPES\",slot=\"1\",path=\"C:\\\\a \\\"b\\\"\"} "
                              "5\n",
                              "kova_disk_free_bytes{computer=\"ESCAPES\",disk=\"C:\\\\\"} 70000\n",
                              "kova_agent_info{computer=\"ESCAPES\",version=\"2.2 \\\"beta\\\"\\n\\\\x\"} "
                              "1\n"}
            << QByteArrayList{};
        QTest::newRow("comma decimal free space")
            << "COMMA" << QStringList{"C:\\In", "5", "100"} << "1,5"
            << "2.2.2" << QByteArrayList{"kova_disk_low{computer=\"COMMA\"} 0\n"}
            << QByteArrayList{"kova_disk_free_bytes{computer=\"COMMA\""};
        QTest::newRow("NaN free space")
            << "NAN" << QStringList{"C:\\In", "5", "100"} << "nan"
            << "2.2.2" << QByteArrayList{"kova_disk_free_bytes{computer=\"NAN\",disk=\"C:\\\\\"} nan\n"}
            << QByteArrayList{};
        QTest::newRow("largest counts")
            << "LARGEST" << QStringList{"C:\\In", "999999999999999", "100"} << "999999999999999"
            << "2.2.2"
            << QByteArrayList{"kova_folder_files{computer=\"LARGEST\",slot=\"1\",path=\"C:\\\\In\"} "
                              "999999999999999\n",
                              "kova_folder_state{computer=\"LARGEST\",slot=\"1\",path=\"C:\\\\In\"} 2\n",
                              "kova_disk_free_bytes{computer=\"LARGEST\",disk=\"C:\\\\\"} "
                              "9999999999999990000\n"}
            << QByteArrayList{};
        QTest::newRow("a count that is no number")
            << "WORDS" << QStringList{"C:\\In", "many", "100"} << "1"
            << "2.2.2"
            << QByteArrayList{"kova_folder_state{computer=\"WORDS\",slot=\"1\",path=\"C:\\\\In\"} 0\n"}
            << QByteArrayList{"kova_folder_files{computer=\"WORDS\""};
    }
    void reportedValues() {
        QFETCH(QString, computer);
        QFETCH(QStringList, folder);
        QFETCH(QString, freeSpace);
        QFETCH(QString, version);
        QFETCH(QByteArrayList, lines);
        QFETCH(QByteArrayList, absent);
        QCOMPARE(sent.report(computer, {{1, folder}}, {},
                             {{"sDisk1", "C:\\"}, {"sDiskSpace1", freeSpace}, {"sORUVersion", version}}),
                 200);
        const QByteArray page = pageOf(sent);
        QByteArrayList own; // the computer's lines, to show what came instead
        for (const QByteArray& line : page.split('\n')) {
            if (line.contains("computer=\"" + computer.toUtf8() + '"'))
                own << line;
        }
        for (const QByteArray& line : lines)
            QVERIFY2(page.contains(line), (line + "not among:\n" + own.join('\n')).constData());
        for (const QByteArray& start : absent)
            QVERIFY2(!page.contains(start), start.constData());
    }
};

QTEST_GUILESS_MAIN(TestMetricsPage)
#include "TestMetricsPage.moc"
