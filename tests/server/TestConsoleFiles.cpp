// The console's static files, compiled into the server: served under /console/, nothing else reachable.
#include "ApiClient.h"
#include "RunningServer.h"

#include <QTcpSocket>

class TestConsoleFiles : public QObject {
    Q_OBJECT
    RunningServer server;

private slots:
    void initTestCase() { QCOMPARE(server.start(), QString()); }

    void pages_data() {
        QTest::addColumn<QByteArray>("verb");
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("type");
        QTest::addColumn<QByteArray>("bodyHolds");
        QTest::newRow("landing page")
            << QByteArray("GET") << "/console/" << 200 << QByteArray("text/html") << QByteArray("<html");
        QTest::newRow("index by name") << QByteArray("GET") << "/console/index.html" << 200
                                       << QByteArray("text/html") << QByteArray("<html");
        QTest::newRow("charts from Debian") << QByteArray("GET") << "/console/chart.js" << 200
                                            << QByteArray("text/javascript") << QByteArray("Chart.js v");
        QTest::newRow("unknown file")
            << QByteArray("GET") << "/console/nothing.js" << 404 << QByteArray() << QByteArray();
        QTest::newRow("posting") << QByteArray("POST") << "/console/" << 405 << QByteArray() << QByteArray();
    }
    void pages() {
        QFETCH(QByteArray, verb);
        QFETCH(QString, path);
        QFETCH(int, status);
        QFETCH(QByteArray, type);
        QFETCH(QByteArray, bodyHolds);
        ApiClient client(server.central.url());
        const auto reply = client.send(verb, path, verb == "POST" ? "x" : QByteArray());
        QCOMPARE(reply.status, status);
        QVERIFY2(reply.header("content-type").startsWith(type), reply.header("content-type"));
        QVERIFY(reply.body.contains(bodyHolds));
        if (status != 405) // nothing on a console page may load from anywhere but this server
            QVERIFY(reply.header("content-security-policy").startsWith("default-src 'self'"));
    }

    // Sent byte for byte, since an HTTP client would tidy the dots away before they reach the server.
    void climbingOutIsRefused_data() {
        QTest::addColumn<QByteArray>("path");
        QTest::newRow("dots") << QByteArray("/console/../../etc/passwd");
        QTest::newRow("encoded dots") << QByteArray("/console/%2e%2e/%2e%2e/etc/passwd");
        QTest::newRow("into other resources") << QByteArray("/console/../qt-project.org/");
        QTest::newRow("the folder itself") << QByteArray("/console/.");
    }
    void climbingOutIsRefused() {
        QFETCH(QByteArray, path);
        QTcpSocket socket;
        socket.connectToHost(QHostAddress::LocalHost, server.central.port());
        QVERIFY(socket.waitForConnected(5000));
        socket.write("GET " + path + " HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n");
        QByteArray answer; // the server answers on this thread, so the event loop must run while waiting
        connect(&socket, &QTcpSocket::readyRead, this, [&] { answer += socket.readAll(); });
        QTRY_VERIFY_WITH_TIMEOUT(answer.contains("\r\n\r\n"), 5000);
        QVERIFY2(answer.startsWith("HTTP/1.1 404"), answer.left(200));
    }

    void entryAddressesLeadToTheConsole() {
        ApiClient client(server.central.url());
        for (const QString path : {"/", "/console"}) {
            const auto reply = client.get(path);
            QCOMPARE(reply.status, 302);
            QCOMPARE(reply.header("location"), "/console/");
        }
    }
};

QTEST_GUILESS_MAIN(TestConsoleFiles)
#include "TestConsoleFiles.moc"
