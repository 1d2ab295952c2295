// What HTTPS the central server speaks: TLS 1.2 with forward-secret AEAD suites, and TLS 1.3.
#include "RunningServer.h"
#include "support/SelfSignedCertificate.h"

#include <QSslCipher>
#include <QSslSocket>

class TestServerTls : public QObject {
    Q_OBJECT
    QTemporaryDir dir;
    std::optional<RunningServer> server;

private slots:
    void initTestCase() {
        QString error;
        const auto certificate = SelfSignedCertificate::create(dir.path(), &error);
        QVERIFY2(certificate, qPrintable(error));
        server.emplace();
        server->options.tlsCertificateFile = certificate->certificatePath;
        server->options.tlsKeyFile = certificate->keyPath;
        QCOMPARE(server->start(), QString());
    }

    void onlyStrongSuites_data() {
        QTest::addColumn<QSsl::SslProtocol>("protocol");
        QTest::addColumn<QString>("cipher"); // empty: the client's defaults
        QTest::addColumn<bool>("accepted");
        QTest::newRow("TLS 1.3") << QSsl::TlsV1_3 << QString() << true;
        QTest::newRow("TLS 1.2 ECDHE GCM") << QSsl::TlsV1_2 << "ECDHE-ECDSA-AES128-GCM-SHA256" << true;
        QTest::newRow("TLS 1.2 ECDHE CBC") << QSsl::TlsV1_2 << "ECDHE-ECDSA-AES128-SHA" << false;
        QTest::newRow("TLS 1.2 without forward secrecy") << QSsl::TlsV1_2 << "AES128-SHA" << false;
        QTest::newRow("TLS 1.2 RSA GCM") << QSsl::TlsV1_2 << "AES128-GCM-SHA256" << false;
    }
    void onlyStrongSuites() {
        QFETCH(QSsl::SslProtocol, protocol);
        QFETCH(QString, cipher);
        QFETCH(bool, accepted);
        QSslSocket client;
        QSslConfiguration configuration = client.sslConfiguration();
        configuration.setProtocol(protocol);
        configuration.setPeerVerifyMode(QSslSocket::VerifyNone);
        if (!cipher.isEmpty())
            configuration.setCiphers({QSslCipher(cipher, protocol)});
        client.setSslConfiguration(configuration);
        client.connectToHostEncrypted("127.0.0.1", server->central.port());
        // The server answers on this thread: wait with the event loop running.
        QVERIFY(QTest::qWaitFor(
            [&] {
                return client.isEncrypted() || client.state() == QAbstractSocket::UnconnectedState ||
                       client.error() != QAbstractSocket::UnknownSocketError;
            },
            15000));
        QCOMPARE(client.isEncrypted(), accepted);
    }
};

QTEST_GUILESS_MAIN(TestServerTls)
#include "TestServerTls.moc"
