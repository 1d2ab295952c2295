// The built agent run once from the command line against central servers in this process (plain HTTP,
// and HTTPS with a certificate made here): its exit code tells whether the exchange worked.
#include "server/RunningServer.h"
#include "support/LoopbackResponder.h"
#include "support/SelfSignedCertificate.h"

#include <QProcess>
#include <QtTest>

class TestOnceRun : public QObject {
    Q_OBJECT

    QTemporaryDir work;
    std::optional<SelfSignedCertificate> certificate;
    RunningServer plain;
    RunningServer tls;
    LoopbackResponder noSettings; // empty settings replies; takes the report the update step sends
    int runs = 0;

    // Placeholders in the rows stand for what exists only once the servers run.
    QStringList resolved(QStringList arguments) const {
        arguments.replaceInStrings("%PLAIN%", plain.endpoint().toString());
        arguments.replaceInStrings("%TLS%", tls.endpoint().toString());
        arguments.replaceInStrings("%CA%", certificate->certificatePath);
        arguments.replaceInStrings("%NO_SETTINGS%", noSettings.url().toString());
        // Neither the clock nor the program may be touched by a test run.
        return arguments +
               QStringList{"--time-url", "http://127.0.0.1:9/t", "--update-url", "http://127.0.0.1:9/u"};
    }

    // A copy of the agent in a fresh folder, since the name file lives beside the executable.
    QString installAgent(bool withNameFile) {
        const QFileInfo built(qEnvironmentVariable("KOVA_AGENT_EXE"));
        const QDir folder(work.filePath(QString::number(++runs)));
        folder.mkpath(".");
        for (const QString& name :
             {built.fileName(), QStringLiteral("CheckMark.gif"), QStringLiteral("XMark.gif")})
            QFile::copy(built.absoluteDir().filePath(name), folder.filePath(name));
        QFile nameFile(folder.filePath("kova.ini"));
        if (withNameFile && nameFile.open(QIODevice::WriteOnly))
            nameFile.write("SRV01");
        return folder.filePath(built.fileName());
    }

private slots:
    void initTestCase() {
        QString error;
        certificate = SelfSignedCertificate::create(work.path(), &error);
        QVERIFY2(certificate, qPrintable(error));
        tls.options.tlsCertificateFile = certificate->certificatePath;
        tls.options.tlsKeyFile = certificate->keyPath;
        noSettings.serve(
            {Answer::http(200, {}), Answer::http(200, {}), Answer::http(200, "Report received.")});
        for (RunningServer* server : {&plain, &tls}) {
            server->now = QDateTime::currentDateTime(); // so that no update falls due during a run
            QCOMPARE(server->start(), QString());
        }
    }

    void exitCode_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<bool>("nameFile");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("printed");
        const QString reported = "Download successful.\n.*Transmission successful! \\(";
        const QString unreachable =
            "Connection failed to the KOVA Server \\(Get\\).\nNO INTERNET CONNECTION.  WILL RETRY.";
        // clang-format off
        QTest::newRow("server answers") << QStringList{"--once", "--server-url", "%PLAIN%"} << true << 0 << reported;
        QTest::newRow("no server answers") << QStringList{"--once", "--server-url", "http://127.0.0.1:9/x"} << true
                                           << 1 << unreachable;
        QTest::newRow("report delivered, settings not") << QStringList{"--once", "--server-url", "%NO_SETTINGS%"}
                                                        << true << 1 << unreachable + ".*Transmission successful! \\(";
        QTest::newRow("no name file") << QStringList{"--once", "--server-url", "%PLAIN%"} << false << 2 << "kova.ini";
        QTest::newRow("bad argument") << QStringList{"--once", "--frobnicate"} << true << 2 << "frobnicate";
        QTest::newRow("https, certificate trusted") << QStringList{"--once", "--server-url", "%TLS%", "--ca-file", "%CA%"}
                                                    << true << 0 << reported;
        QTest::newRow("https, certificate not trusted") << QStringList{"--once", "--server-url", "%TLS%"} << true
                                                        << 1 << unreachable;
        // clang-format on
    }
    void exitCode() {
        QFETCH(QStringList, arguments);
        QFETCH(bool, nameFile);
        QFETCH(int, code);
        QFETCH(QString, printed);
        QProcess agent;
        agent.setProcessChannelMode(QProcess::MergedChannels);
        agent.start(installAgent(nameFile), resolved(arguments));
        // The servers answer on this thread: wait with the event loop running.
        QTRY_VERIFY_WITH_TIMEOUT(agent.state() == QProcess::NotRunning, 60000);

        const QString out = QString::fromLocal8Bit(agent.readAll());
        QVERIFY2(agent.exitStatus() == QProcess::NormalExit && agent.exitCode() == code, qPrintable(out));
        QVERIFY2(out.contains(QRegularExpression(printed, QRegularExpression::DotMatchesEverythingOption)),
                 qPrintable(out));
    }
};

QTEST_GUILESS_MAIN(TestOnceRun)
#include "TestOnceRun.moc"
