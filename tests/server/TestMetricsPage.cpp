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

private slots:
    void initTestCase() {
        token = server.addToken(server::Role::Viewer);
        QVERIFY(!token.isEmpty());
        server.options.alerting.metricsAllow = {*server::readAddressRange("10.0.0.0/8")};
        server.options.newNamesPerMinute = 2000; // the whole fleet enrols at once from loopback
        QCOMPARE(server.start(), QString());
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
};

QTEST_GUILESS_MAIN(TestMetricsPage)
#include "TestMetricsPage.moc"
