// Which address the rate limits see: the peer, or the client a trusted front server names.
#include "http/ClientAddress.h"

#include <QtTest>

class TestClientAddress : public QObject {
    Q_OBJECT

private slots:
    void clientAddress_data() {
        QTest::addColumn<QString>("peer");
        QTest::addColumn<QByteArray>("forwardedFor");
        QTest::addColumn<QStringList>("trusted");
        QTest::addColumn<QString>("client");
        const QStringList nginx{"127.0.0.1"};
        QTest::newRow("no proxy trusted: header ignored")
            << "203.0.113.9" << QByteArray("10.1.1.1") << QStringList{} << "203.0.113.9";
        QTest::newRow("untrusted peer forges the header")
            << "203.0.113.9" << QByteArray("10.1.1.1") << nginx << "203.0.113.9";
        QTest::newRow("trusted peer names the client")
            << "127.0.0.1" << QByteArray("198.51.100.7") << nginx << "198.51.100.7";
        QTest::newRow("dual-stack peer form")
            << "::ffff:127.0.0.1" << QByteArray("198.51.100.7") << nginx << "198.51.100.7";
        QTest::newRow("client's own forgery left of the real hop")
            << "127.0.0.1" << QByteArray("10.9.9.9, 198.51.100.7") << nginx << "198.51.100.7";
        QTest::newRow("chain of trusted proxies, subnet")
            << "10.0.0.2" << QByteArray("198.51.100.7, 10.0.0.5") << QStringList{"10.0.0.0/24"}
            << "198.51.100.7";
        QTest::newRow("garbled hop: the last trusted hop stands")
            << "127.0.0.1" << QByteArray("not-an-address") << nginx << "127.0.0.1";
        QTest::newRow("trusted peer without header") << "127.0.0.1" << QByteArray() << nginx << "127.0.0.1";
        QTest::newRow("IPv6 client") << "127.0.0.1" << QByteArray("2001:db8::1") << nginx << "2001:db8::1";
    }
    void clientAddress() {
        QFETCH(QString, peer);
        QFETCH(QByteArray, forwardedFor);
        QFETCH(QStringList, trusted);
        QFETCH(QString, client);
        server::TrustedProxies proxies;
        for (const QString& proxy : trusted)
            QVERIFY(server::addTrustedProxy(proxy, proxies));
        QCOMPARE(server::clientAddress(QHostAddress(peer), forwardedFor, proxies), QHostAddress(client));
    }

    void proxyValues_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("address") << "127.0.0.1" << true;
        QTest::newRow("IPv6 address") << "::1" << true;
        QTest::newRow("subnet") << "192.168.0.0/16" << true;
        QTest::newRow("host name") << "localhost" << false;
        QTest::newRow("bad prefix") << "10.0.0.0/40" << false;
    }
    void proxyValues() {
        QFETCH(QString, text);
        QFETCH(bool, accepted);
        server::TrustedProxies proxies;
        QCOMPARE(server::addTrustedProxy(text, proxies), accepted);
    }
};

QTEST_GUILESS_MAIN(TestClientAddress)
#include "TestClientAddress.moc"
