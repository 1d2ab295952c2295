// Operators and API tokens made on the command line, then used against the running server.
#include "ApiClient.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

namespace {

struct Outcome {
    int exitCode = -1;
    QString out;
    QString err;
};

} // namespace

class TestAccountCommandLine : public QObject {
    Q_OBJECT
    QTemporaryDir dir;

    QString database() const { return dir.filePath("server.sqlite"); }

    Outcome run(const QStringList& args, const QByteArray& input = {}) {
        QProcess process;
        process.start(qEnvironmentVariable("KOVA_SERVER_EXE"), QStringList{"--database", database()} + args);
        process.write(input);
        process.closeWriteChannel();
        if (!process.waitForFinished(30000))
            return {};
        return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
                QString::fromUtf8(process.readAllStandardError())};
    }

private slots:
    void refusals_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<QString>("complaint");
        QTest::newRow("no role") << QStringList{"--add-operator", "alice"} << QByteArray("long enough\n")
                                 << "--role needs admin or viewer";
        QTest::newRow("unknown role") << QStringList{"--add-token", "ci", "--role", "root"} << QByteArray()
                                      << "--role needs admin or viewer";
        QTest::newRow("both at once")
            << QStringList{"--add-operator", "a", "--add-token", "b", "--role", "admin"} << QByteArray()
            << "cannot be given together";
        QTest::newRow("role alone") << QStringList{"--role", "admin", "--port", "0"} << QByteArray()
                                    << "--role goes with";
        QTest::newRow("short password") << QStringList{"--add-operator", "alice", "--role", "admin"}
                                        << QByteArray("short\n") << "8 to 1024 characters";
        QTest::newRow("no password") << QStringList{"--add-operator", "alice", "--role", "admin"}
                                     << QByteArray() << "8 to 1024 characters";
        QTest::newRow("control character in name")
            << QStringList{"--add-operator", "al\tice", "--role", "admin"} << QByteArray("long enough\n")
            << "no control characters";
    }
    void refusals() {
        QFETCH(QStringList, args);
        QFETCH(QByteArray, input);
        QFETCH(QString, complaint);
        const Outcome outcome = run(args, input);
        QCOMPARE(outcome.exitCode, 1);
        QVERIFY2(outcome.err.contains(complaint), qPrintable(outcome.err));
    }

    void accountsWorkAgainstTheServer() {
        QCOMPARE(run({"--add-operator", "alice", "--role", "viewer"}, "first password\r\n").exitCode, 0);
        // Adding her again resets role and password.
        QCOMPARE(run({"--add-operator", "alice", "--role", "admin"}, "second password\n").exitCode, 0);
        const Outcome token = run({"--add-token", "ci", "--role", "viewer"});
        QCOMPARE(token.exitCode, 0);
        QVERIFY(!token.out.contains(QLatin1Char(' ')));

        QProcess server;
        server.start(qEnvironmentVariable("KOVA_SERVER_EXE"), {"--database", database(), "--port", "0"});
        QVERIFY(server.waitForReadyRead(15000));
        const QString line = QString::fromUtf8(server.readLine()).trimmed();
        QVERIFY2(line.startsWith("listening on "), qPrintable(line));
        const QUrl url(line.mid(QStringLiteral("listening on ").size()));

        ApiClient operatorClient(url);
        QCOMPARE(operatorClient.login("alice", "first password"), 401);
        QCOMPARE(operatorClient.login("alice", "second password"), 200);
        QCOMPARE(operatorClient.get("/api/v1/session").json.value("role").toString(), "admin");
        ApiClient script(url);
        script.bearer = token.out.trimmed().toLatin1();
        QCOMPARE(script.get("/api/v1/computers").status, 200);
        server.kill();
        server.waitForFinished();
    }
};

QTEST_GUILESS_MAIN(TestAccountCommandLine)
#include "TestAccountCommandLine.moc"
