// The built agent run once from the command line against central servers in this process (plain HTTP,
// and HTTPS with a certificate made here): its exit code tells whether the exchange worked.
#include "modules/AgentConfig.h"
#include "server/RunningServer.h"
#include "support/LoopbackResponder.h"
#include "support/SelfSignedCertificate.h"

#include <QProcess>
#include <QtTest>

namespace {

const QString kEndpoint = QStringLiteral("/kova-oru/process_servers.asp");
const QString kNoServer = QStringLiteral("http://127.0.0.1:9") + kEndpoint;
// Neither the clock nor the program may be touched by a test run.
const QStringList kHarmless{QStringLiteral("--time-url"),
                            QStringLiteral("http://127.0.0.1:9/cgi-bin/timer.pl"),
                            QStringLiteral("--update-url"), QStringLiteral("http://127.0.0.1:9/x")};

} // namespace

class TestOnceRun : public QObject {
    Q_OBJECT

    QTemporaryDir work;
    std::optional<SelfSignedCertificate> certificate;
    std::optional<RunningServer> plain;
    std::optional<RunningServer> tls;
    LoopbackResponder noSettings; // empty settings replies; takes the report the update step sends
    int runs = 0;

    // Placeholders in the rows stand for what exists only once the servers run.
    QStringList resolved(QStringList arguments) const {
        arguments.replaceInStrings(QStringLiteral("%PLAIN%"), plain->endpoint().toString());
        arguments.replaceInStrings(QStringLiteral("%TLS%"), tls->endpoint().toString());
        arguments.replaceInStrings(QStringLiteral("%CA%"), certificate->certificatePath);
        arguments.replaceInStrings(QStringLiteral("%NO_SETTINGS%"), noSettings.url(kEndpoint).toString());
        return arguments;
    }

    // A copy of the agent in a fresh folder, since the name file lives beside the executable.
    QString installAgent(bool withNameFile) {
        const QFileInfo built(qEnvironmentVariable("KOVA_AGENT_EXE"));
        const QString folder = work.filePath(QStringLiteral("run%1").arg(++runs));
        QDir().mkpath(folder);
        for (const QString& name :
             {built.fileName(), QStringLiteral("CheckMark.gif"), QStringLiteral("XMark.gif")})
            QFile::copy(built.absoluteDir().filePath(name), folder + QLatin1Char('/') + name);
        QFile nameFile(folder + QStringLiteral("/kova.ini"));
        if (withNameFile && nameFile.open(QIODevice::WriteOnly))
            nameFile.write("SRV01");
        return folder + QLatin1Char('/') + built.fileName();
    }

private slots:
    void initTestCase() {
        QVERIFY(QFileInfo(qEnvironmentVariable("KOVA_AGENT_EXE")).isExecutable());
        QString error;
        certificate = SelfSignedCertificate::create(work.path(), &error);
        QVERIFY2(certificate, qPrintable(error));
        plain.emplace();
        tls.emplace();
        tls->options.tlsCertificateFile = certificate->certificatePath;
        tls->options.tlsKeyFile = work.filePath(QStringLiteral("key.pem"));
        noSettings.serve(
            {Answer::http(200, {}), Answer::http(200, {}), Answer::http(200, "Report received.")});
        for (RunningServer* server : {&*plain, &*tls}) {
            server->now = QDateTime::currentDateTime(); // so that no update falls due during a run
            QVERIFY(server->start());
        }
    }

    void exitCode_data();
    void exitCode();
};

void TestOnceRun::exitCode_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("nameFile");
    QTest::addColumn<int>("code");
    QTest::addColumn<QStringList>("printed");
    QTest::addColumn<QString>("complaint");

    const QString once = QStringLiteral("--once");
    const QString server = QStringLiteral("--server-url");
    const QString ca = QStringLiteral("--ca-file");
    const QStringList reported{QStringLiteral("Download successful.\n"),
                               QStringLiteral("Transmission successful! (")};
    const QStringList unreachable{
        QStringLiteral("Connection failed to the KOVA Server (Get).\nNO INTERNET CONNECTION.  WILL RETRY.")};

    QTest::newRow("server answers") << QStringList{once, server, "%PLAIN%"} << true << 0 << reported
                                    << QString();
    QTest::newRow("no server answers")
        << QStringList{once, server, kNoServer} << true << 1 << unreachable << QString();
    QTest::newRow("report delivered, settings not")
        << QStringList{once, server, "%NO_SETTINGS%"} << true << 1
        << unreachable + QStringList{QStringLiteral("Transmission successful! (")} << QString();
    QTest::newRow("no name file") << QStringList{once, server, "%PLAIN%"} << false << 2 << QStringList()
                                  << QStringLiteral("kova.ini");
    QTest::newRow("bad argument") << QStringList{once, QStringLiteral("--frobnicate")} << true << 2
                                  << QStringList() << QStringLiteral("frobnicate");
    QTest::newRow("version") << QStringList{QStringLiteral("--version")} << true << 0
                             << QStringList{QStringLiteral("KOVA Oru %1\n").arg(agentVersionText())}
                             << QString();
    QTest::newRow("https, certificate trusted")
        << QStringList{once, server, "%TLS%", ca, "%CA%"} << true << 0 << reported << QString();
    QTest::newRow("https, certificate not trusted")
        << QStringList{once, server, "%TLS%"} << true << 1 << unreachable << QString();
}

void TestOnceRun::exitCode() {
    QFETCH(QStringList, arguments);
    QFETCH(bool, nameFile);
    QFETCH(int, code);
    QFETCH(QStringList, printed);
    QFETCH(QString, complaint);
    QProcess agent;
    agent.start(installAgent(nameFile), resolved(arguments) + kHarmless);

    // The servers answer on this thread: wait with the event loop running.
    QTRY_VERIFY_WITH_TIMEOUT(agent.state() == QProcess::NotRunning, 60000);

    const QString out = QString::fromLocal8Bit(agent.readAllStandardOutput());
    const QString err = QString::fromLocal8Bit(agent.readAllStandardError());
    QCOMPARE(agent.exitStatus(), QProcess::NormalExit);
    QVERIFY2(agent.exitCode() == code, qPrintable(out + err));
    for (const QString& text : printed)
        QVERIFY2(out.contains(text), qPrintable(out));
    QVERIFY2(err.contains(complaint), qPrintable(err));
}

QTEST_GUILESS_MAIN(TestOnceRun)
#include "TestOnceRun.moc"
