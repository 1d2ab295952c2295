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
        const auto row = [](const char* name, const QStringList& args, const char* message) {
            QTest::newRow(name) << args << QString(message);
        };
        const QString junk = in("junk");
        QFile junkFile(junk);
        QVERIFY(junkFile.open(QIODevice::WriteOnly) && junkFile.write(QByteArray(4096, 'x')) == 4096);
        QVERIFY(busyPort.isListening() || busyPort.listen(QHostAddress::LocalHost));
        const QStringList db{"--database", in("server.sqlite")};
        row("port in use", db + QStringList{"--port", QString::number(busyPort.serverPort())},
            "cannot listen");
        row("database folder missing", {"--database", in("missing/server.sqlite")},
            "cannot use the database");
        row("not a database", {"--database", junk}, "cannot use the database");
        row("not a certificate", db + QStringList{"--tls-cert", junk, "--tls-key", junk},
            "holds no PEM certificate");
        row("certificate without key", db + QStringList{"--tls-cert", junk}, "together");
        row("trusted proxy by name", db + QStringList{"--trusted-proxy", "proxy.example"}, "--trusted-proxy");
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
