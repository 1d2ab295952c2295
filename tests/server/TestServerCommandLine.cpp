#include <QProcess>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QtTest>

// The built server executable: how it ends when it cannot start.
class TestServerCommandLine : public QObject {
    Q_OBJECT
    QTemporaryDir dir;
    QTcpServer busyPort;

    QString in(const QString& name) const { return dir.filePath(name); }

private slots:
    void startupErrorsEndTheServer_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("message");
        QFile garbage(in("garbage"));
        QVERIFY(garbage.open(QIODevice::WriteOnly) && garbage.write(QByteArray(4096, 'x')) == 4096);
        QVERIFY(busyPort.isListening() || busyPort.listen(QHostAddress::LocalHost));
        const QStringList db{"--port", "0", "--database", in("server.sqlite")};
        // clang-format off
        QTest::newRow("port in use") << db.mid(2) + QStringList{"--port", QString::number(busyPort.serverPort())}
                                     << "cannot listen on 127.0.0.1 port";
        QTest::newRow("database folder missing") << QStringList{"--database", in("missing/server.sqlite")}
                                                 << "cannot use the database";
        QTest::newRow("not a database") << QStringList{"--database", in("garbage")} << "cannot use the database";
        QTest::newRow("not a certificate") << db + QStringList{"--tls-cert", in("garbage"), "--tls-key", in("garbage")}
                                           << "holds no PEM certificate";
        QTest::newRow("certificate without key") << db + QStringList{"--tls-cert", in("garbage")} << "together";
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
};

QTEST_GUILESS_MAIN(TestServerCommandLine)
#include "TestServerCommandLine.moc"
