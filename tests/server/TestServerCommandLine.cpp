#include "support/BlockingHttp.h"
#include "support/SelfSignedCertificate.h"
#include "WireFormat.h"

#include <QProcess>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QtTest>

// The built server executable: what it says and how it ends when it cannot start, and that it serves once
// it says where.
class TestServerCommandLine : public QObject {
    Q_OBJECT
    QTemporaryDir dir;
    QTcpServer busyPort;
    std::optional<SelfSignedCertificate> certificate;

    QString in(const QString& name) const { return dir.filePath(name); }

private slots:
    void initTestCase() {
        QVERIFY(busyPort.listen(QHostAddress::LocalHost, 0));
        QFile notDatabase(in("garbage"));
        QVERIFY(notDatabase.open(QIODevice::WriteOnly) && notDatabase.write(QByteArray(4096, 'x')) == 4096);
        QString error;
        certificate = SelfSignedCertificate::create(dir.path(), &error);
        QVERIFY2(certificate, qPrintable(error));
    }

    void startupErrorsEndTheServer_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("message");
        const QStringList db{"--port", "0", "--database", in("server.sqlite")};
        // clang-format off
        QTest::newRow("port in use") << QStringList{"--port", QString::number(busyPort.serverPort()), "--database", in("server.sqlite")}
                                     << "cannot listen on 127.0.0.1 port";
        QTest::newRow("database folder missing") << QStringList{"--database", in("missing/server.sqlite")}
                                                 << "cannot use the database";
        QTest::newRow("not a database") << QStringList{"--database", in("garbage")} << "cannot use the database";
        QTest::newRow("certificate unreadable") << db + QStringList{"--tls-cert", in("none"), "--tls-key", in("garbage")}
                                                << "cannot read the TLS certificate";
        QTest::newRow("not a certificate") << db + QStringList{"--tls-cert", in("garbage"), "--tls-key", in("garbage")}
                                           << "holds no PEM certificate";
        QTest::newRow("certificate without key") << db + QStringList{"--tls-cert", in("garbage")} << "together";
        QTest::newRow("port out of range") << QStringList{"--port", "70000"} << "--port needs a number";
        // clang-format on
    }
    void startupErrorsEndTheServer() {
        QFETCH(QStringList, args);
        QFETCH(QString, message);
        QProcess server;
        server.start(qEnvironmentVariable("KOVA_SERVER_EXE"), args);
        QVERIFY(server.waitForFinished(15000));
        QCOMPARE(server.exitCode(), 1);
        const QString complaint = QString::fromUtf8(server.readAllStandardError());
        QVERIFY2(complaint.contains(message), qPrintable(complaint));
    }

    void announcesItsAddress_data() {
        QTest::addColumn<QStringList>("tls");
        QTest::newRow("http") << QStringList();
        QTest::newRow("https") << QStringList{"--tls-cert", certificate->certificatePath, "--tls-key",
                                              certificate->keyPath};
    }
    void announcesItsAddress() {
        QFETCH(QStringList, tls);
        QProcess server;
        server.start(qEnvironmentVariable("KOVA_SERVER_EXE"),
                     QStringList{"--port", "0", "--database", in("announce.sqlite")} + tls);
        QVERIFY(server.waitForReadyRead(15000));
        const QString line = QString::fromUtf8(server.readLine()).trimmed();
        const QString prefix =
            QStringLiteral("listening on http%1://127.0.0.1:").arg(tls.isEmpty() ? "" : "s");
        QVERIFY2(line.startsWith(prefix), qPrintable(line));

        const QUrl endpoint(line.section(' ', 2) + "/kova-oru/process_servers.asp");
        const auto reply = testsupport::postForm(endpoint, "servercode=SRV01");
        QCOMPARE(wire::splitSettingsReply(QString::fromUtf8(reply.body)).size(), wire::kSettingsPieceCount);
        server.kill();
        server.waitForFinished();
    }
};

QTEST_GUILESS_MAIN(TestServerCommandLine)
#include "TestServerCommandLine.moc"
