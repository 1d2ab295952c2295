#include "support/BlockingHttp.h"

#include "WireFormat.h"

#include <QProcess>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QtTest>

namespace {

QString serverExe() {
    return qEnvironmentVariable("KOVA_SERVER_EXE");
}

// A throwaway self-signed certificate for 127.0.0.1, made with the openssl tool when it is installed.
bool makeCertificate(const QString& certFile, const QString& keyFile) {
    QProcess openssl;
    openssl.start("openssl", {"req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "1", "-subj",
                              "/CN=127.0.0.1", "-keyout", keyFile, "-out", certFile});
    return openssl.waitForFinished(30000) && openssl.exitStatus() == QProcess::NormalExit &&
           openssl.exitCode() == 0;
}

} // namespace

class TestServerCommandLine : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void startupErrorsEndTheServer_data();
    void startupErrorsEndTheServer();
    void announcesItsAddress_data();
    void announcesItsAddress();

private:
    QTemporaryDir m_dir;
    QTcpServer m_busyPort;
};

void TestServerCommandLine::initTestCase() {
    QVERIFY2(QFile::exists(serverExe()), "KOVA_SERVER_EXE must name the built server");
    QVERIFY(m_busyPort.listen(QHostAddress::LocalHost, 0));
    QFile notDatabase(m_dir.filePath("not-a-database.sqlite"));
    QVERIFY(notDatabase.open(QIODevice::WriteOnly));
    notDatabase.write(QByteArray(4096, 'x'));
}

void TestServerCommandLine::startupErrorsEndTheServer_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("message");
    const auto in = [this](const char* name) { return m_dir.filePath(name); };
    const QStringList port0{"--port", "0"};
    const QStringList db = port0 + QStringList{"--database", in("server.sqlite")};
    const QString busy = QString::number(m_busyPort.serverPort());
    const QString garbage = in("not-a-database.sqlite");
    // clang-format off
    QTest::newRow("port in use") << QStringList{"--port", busy, "--database", in("server.sqlite")}
                                 << "cannot listen on 127.0.0.1 port";
    QTest::newRow("database folder missing") << port0 + QStringList{"--database", in("missing/server.sqlite")}
                                             << "cannot use the database";
    QTest::newRow("not a database") << port0 + QStringList{"--database", garbage} << "cannot use the database";
    QTest::newRow("certificate unreadable") << db + QStringList{"--tls-cert", in("none.pem"), "--tls-key", garbage}
                                            << "cannot read the TLS certificate";
    QTest::newRow("not a certificate") << db + QStringList{"--tls-cert", garbage, "--tls-key", garbage}
                                       << "holds no PEM certificate";
    QTest::newRow("certificate without key") << db + QStringList{"--tls-cert", garbage} << "together";
    QTest::newRow("port out of range") << QStringList{"--port", "70000"} << "--port needs a number";
    QTest::newRow("listen not an address") << QStringList{"--listen", "localhost"} << "--listen needs an IP";
    // clang-format on
}

void TestServerCommandLine::startupErrorsEndTheServer() {
    QFETCH(QStringList, args);
    QFETCH(QString, message);
    QProcess server;
    server.start(serverExe(), args);
    QVERIFY(server.waitForFinished(15000));
    QCOMPARE(server.exitCode(), 1);
    const QString stderrText = QString::fromUtf8(server.readAllStandardError());
    QVERIFY2(stderrText.contains(message), qPrintable(stderrText));
}

void TestServerCommandLine::announcesItsAddress_data() {
    QTest::addColumn<bool>("https");
    QTest::newRow("http") << false;
    QTest::newRow("https") << true;
}

void TestServerCommandLine::announcesItsAddress() {
    QFETCH(bool, https);
    QStringList args{"--port", "0", "--database", m_dir.filePath("announce.sqlite")};
    if (https) {
        const QString cert = m_dir.filePath("cert.pem");
        const QString key = m_dir.filePath("key.pem");
        if (!makeCertificate(cert, key))
            QSKIP("the openssl tool is needed to make a test certificate");
        args << "--tls-cert" << cert << "--tls-key" << key;
    }
    QProcess server;
    server.start(serverExe(), args);
    QVERIFY(server.waitForReadyRead(15000));
    const QString line = QString::fromUtf8(server.readLine()).trimmed();
    const QString scheme = https ? "https" : "http";
    QVERIFY2(line.startsWith("listening on " + scheme + "://127.0.0.1:"), qPrintable(line));

    const QUrl endpoint(line.mid(QString("listening on ").size()) + "/kova-oru/process_servers.asp");
    const auto reply = testsupport::postForm(endpoint, "servercode=SRV01");
    QCOMPARE(reply.status, 200);
    QCOMPARE(wire::splitSettingsReply(QString::fromUtf8(reply.body)).size(), wire::kSettingsPieceCount);
    server.kill();
    server.waitForFinished();
}

QTEST_GUILESS_MAIN(TestServerCommandLine)
#include "TestServerCommandLine.moc"
