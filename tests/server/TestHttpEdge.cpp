// The server's edge, over real loopback connections: what it refuses from the head, when it drops a
// connection, the caps on connections and the paced update download.
#include "alerting/MetricsAccess.h"
#include "server/RawConnection.h"
#include "server/RunningServer.h"
#include "support/FileBytes.h"

namespace {

using namespace std::chrono_literals;

const QByteArray kTimeRequest = "GET /cgi-bin/timer.pl HTTP/1.1\r\nHost: h\r\n\r\n";

double metric(const RunningServer& server, const QString& sample) {
    const QByteArray page = testsupport::httpRequest("GET", server.url("/metrics")).body;
    for (const QByteArray& line : page.split('\n'))
        if (line.startsWith(sample.toUtf8() + ' '))
            return line.mid(sample.size() + 1).toDouble();
    return -1;
}

double refusals(const RunningServer& server, const char* reason) {
    return metric(server, QStringLiteral("kova_http_refused_total{reason=\"%1\"}").arg(reason));
}

} // namespace

class TestHttpEdge : public QObject {
    Q_OBJECT

    std::unique_ptr<RunningServer> m_server;

    RunningServer& startServer(const std::function<void(server::ServerOptions&)>& adjust = {}) {
        m_server = std::make_unique<RunningServer>();
        m_server->options.alerting.metricsAllow = {*server::readAddressRange("127.0.0.0/8")};
        if (adjust)
            adjust(m_server->options);
        if (const QString error = m_server->start(); !error.isEmpty())
            qFatal("the server did not start: %s", qPrintable(error));
        return *m_server;
    }

private slots:
    void cleanup() { m_server.reset(); }

    // Each is answered and closed before the body is read, so no amount of body costs memory.
    void refusedFromTheHead_data() {
        QTest::addColumn<QByteArray>("request");
        QTest::addColumn<QByteArray>("statusLine");
        QTest::addColumn<QByteArray>("reason");
        const auto announce = [](const char* path, const QByteArray& headers) {
            return QByteArray("POST ") + path + " HTTP/1.1\r\nHost: h\r\n" + headers + "\r\n";
        };
        const QByteArray huge = "Content-Length: 300000000\r\n";
        QTest::newRow("300 MB to the exchange") << announce("/kova-oru/process_servers.asp", huge)
                                                << QByteArray("HTTP/1.1 413") << QByteArray("body_too_large");
        QTest::newRow("300 MB to the login") << announce("/api/v1/session", huge)
                                             << QByteArray("HTTP/1.1 413") << QByteArray("body_too_large");
        QTest::newRow("300 MB to no route")
            << announce("/nowhere", huge) << QByteArray("HTTP/1.1 413") << QByteArray("body_too_large");
        QTest::newRow("one chunk over the exchange's limit")
            << announce("/kova-oru/process_servers.asp", "Transfer-Encoding: chunked\r\n") + "10001\r\n"
            << QByteArray("HTTP/1.1 413") << QByteArray("body_too_large");
        QTest::newRow("a header line of 20 KiB")
            << "GET / HTTP/1.1\r\nX-Filler: " + QByteArray(20 * 1024, 'a') << QByteArray("HTTP/1.1 431")
            << QByteArray("head_too_large");
        QTest::newRow("101 header lines")
            << "GET / HTTP/1.1\r\n" + QByteArray("X-A: b\r\n").repeated(101) + "\r\n"
            << QByteArray("HTTP/1.1 431") << QByteArray("head_too_large");
        QTest::newRow("two lengths") << announce("/kova-oru/process_servers.asp",
                                                 "Content-Length: 1\r\nContent-Length: 2\r\n")
                                     << QByteArray("HTTP/1.1 400") << QByteArray("bad_request");
    }
    void refusedFromTheHead() {
        QFETCH(QByteArray, request);
        QFETCH(QByteArray, statusLine);
        QFETCH(QByteArray, reason);
        RunningServer& server = startServer();
        RawConnection client(server);
        client.send(request);
        QVERIFY2(client.answeredWithin(statusLine), client.received.left(200).constData());
        QVERIFY(client.closedWithin(5s));
        QCOMPARE(refusals(server, reason.constData()), 1.0);
    }

    void dropsWhoOverstays_data() {
        QTest::addColumn<QByteArray>("sent");
        QTest::addColumn<QByteArray>("reason");
        QTest::newRow("a connection that never speaks") << QByteArray() << QByteArray("head_timeout");
        QTest::newRow("a head that never ends")
            << QByteArray("GET / HTTP/1.1\r\nX-Slow: 1\r\n") << QByteArray("head_timeout");
        QTest::newRow("a body that never ends")
            << QByteArray("POST /kova-oru/process_servers.asp HTTP/1.1\r\nContent-Length: 10\r\n\r\nabc")
            << QByteArray("body_timeout");
        QTest::newRow("kept alive after its answer, then silent") << kTimeRequest << QByteArray("idle");
    }
    void dropsWhoOverstays() {
        QFETCH(QByteArray, sent);
        QFETCH(QByteArray, reason);
        RunningServer& server = startServer([](server::ServerOptions& options) {
            options.edge.head = options.edge.idle = options.edge.body = 300ms;
        });
        RawConnection client(server);
        client.send(sent);
        QTest::qWait(150);
        QVERIFY2(client.socket.state() == QAbstractSocket::ConnectedState, "dropped before its time");
        QVERIFY(client.closedWithin(3s));
        QCOMPARE(refusals(server, reason.constData()), 1.0);
    }

    void keepsAliveWithinItsTime() {
        RunningServer& server = startServer([](server::ServerOptions& options) { options.edge.idle = 1s; });
        RawConnection client(server);
        for (int round = 0; round < 3; ++round) {
            client.received.clear();
            client.send(kTimeRequest);
            QVERIFY(client.answeredWithin("HTTP/1.1 200"));
            QTest::qWait(300);
        }
        QCOMPARE(client.socket.state(), QAbstractSocket::ConnectedState);
    }

    void closesWhenAsked_data() {
        QTest::addColumn<QByteArray>("request");
        QTest::newRow("Connection: close")
            << QByteArray("GET /cgi-bin/timer.pl HTTP/1.1\r\nConnection: close\r\n\r\n");
        QTest::newRow("HTTP/1.0") << QByteArray("GET /cgi-bin/timer.pl HTTP/1.0\r\n\r\n");
    }
    void closesWhenAsked() {
        QFETCH(QByteArray, request);
        RunningServer& server = startServer();
        RawConnection client(server);
        client.send(request);
        QVERIFY(client.answeredWithin("HTTP/1.1 200"));
        QVERIFY(client.closedWithin(1s));
    }

    // Beyond the cap a connection is closed on arrival; a trusted proxy carries many clients and is not
    // capped per address; other addresses are served all along.
    void capsConnectionsPerAddress_data() {
        QTest::addColumn<bool>("trusted");
        QTest::newRow("any client") << false;
        QTest::newRow("a trusted proxy") << true;
    }
    void capsConnectionsPerAddress() {
        QFETCH(bool, trusted);
        RunningServer& server = startServer([trusted](server::ServerOptions& options) {
            options.edge.perAddress = 3;
            if (trusted)
                QVERIFY(server::addTrustedProxy("127.0.0.5", options.trustedProxies));
        });
        std::vector<std::unique_ptr<RawConnection>> held;
        for (int k = 0; k < 3; ++k)
            held.push_back(std::make_unique<RawConnection>(server, "127.0.0.5"));
        RawConnection beyond(server, "127.0.0.5");
        beyond.send(kTimeRequest);
        if (trusted) {
            QVERIFY(beyond.answeredWithin("HTTP/1.1 200"));
        } else {
            QVERIFY(beyond.closedWithin(2s));
            QVERIFY(beyond.received.isEmpty());
        }
        RawConnection other(server, "127.0.0.6");
        other.send(kTimeRequest);
        QVERIFY(other.answeredWithin("HTTP/1.1 200"));
        QCOMPARE(refusals(server, "address_limit"), trusted ? 0.0 : 1.0);
    }

    void capsConnectionsInTotal() {
        RunningServer& server = startServer([](server::ServerOptions& options) { options.edge.total = 3; });
        std::vector<std::unique_ptr<RawConnection>> held;
        for (int k = 0; k < 3; ++k)
            held.push_back(std::make_unique<RawConnection>(server, QStringLiteral("127.0.1.%1").arg(k + 1)));
        RawConnection beyond(server, "127.0.1.9");
        QVERIFY(beyond.closedWithin(2s));
        QVERIFY(beyond.received.isEmpty());
        held.pop_back(); // a place comes free
        QTest::qWait(100);
        RawConnection after(server, "127.0.1.9");
        after.send("GET /cgi-bin/timer.pl HTTP/1.1\r\nConnection: close\r\n\r\n");
        QVERIFY(after.answeredWithin("HTTP/1.1 200"));
        QVERIFY(after.closedWithin(1s));
        // Two held and the metrics request itself.
        QTRY_COMPARE(metric(server, "kova_http_connections"), 3.0);
        QCOMPARE(refusals(server, "connection_limit"), 1.0);
    }

    // Paced to the reader: the whole file to a client that reads, and a client that stops reading dropped.
    void updateDownloadIsPaced() {
        RunningServer& server =
            startServer([](server::ServerOptions& options) { options.edge.stall = 500ms; });
        QByteArray program(16 * 1024 * 1024, Qt::Uninitialized); // more than loopback buffers hold
        for (qsizetype k = 0; k < program.size(); ++k)
            program[k] = char(k * 7919 % 251);
        QVERIFY(writeFileBytes(server.options.updatesFolder + "/KOVA_Oru.exe", program));
        const QByteArray request = "GET " + wire::kUpdatePath.toUtf8() + " HTTP/1.1\r\nHost: h\r\n\r\n";

        RawConnection reader(server);
        reader.send(request);
        const auto bodyAt = [&] { return reader.received.indexOf("\r\n\r\n") + 4; };
        QVERIFY(QTest::qWaitFor(
            [&] { return bodyAt() > 3 && reader.received.size() >= bodyAt() + program.size(); }, 20000));
        QVERIFY(
            reader.received.left(bodyAt()).contains("Content-Length: " + QByteArray::number(program.size())));
        QVERIFY(reader.received.mid(bodyAt()) == program);

        RawConnection stopped(server, QStringLiteral("127.0.0.1"), 16 * 1024);
        stopped.socket.setReadBufferSize(64 * 1024); // takes no more once this is full
        QObject::disconnect(&stopped.socket, &QIODevice::readyRead, nullptr, nullptr);
        stopped.send(request);
        // It notices nothing itself while it reads nothing; the server counts the drop.
        QTRY_COMPARE_WITH_TIMEOUT(refusals(server, "stalled_reader"), 1.0, 10000);
    }
};

QTEST_MAIN(TestHttpEdge)
#include "TestHttpEdge.moc"
