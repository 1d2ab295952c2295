// Operators and API tokens made on the command line, then used against the running server.
#include "ApiClient.h"
#include "support/BuiltServer.h"

#include <QTemporaryDir>
#include <QtTest>

class TestAccountCommandLine : public QObject {
    Q_OBJECT
    QTemporaryDir dir;

    QString database() const { return dir.filePath("server.sqlite"); }

    ServerRun run(const QStringList& args, const QByteArray& input = {}) {
        return runServerAction(QStringList{"--database", database(), "--new-database"} + args, input);
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
        const ServerRun outcome = run(args, input);
        QCOMPARE(outcome.code, 1);
        QVERIFY2(outcome.err.contains(complaint), qPrintable(outcome.err));
    }

    // A password is taken from its shortest length to its longest and refused one character outside.
    void passwordBounds_data() {
        QTest::addColumn<int>("length");
        QTest::addColumn<int>("code");
        QTest::newRow("one too short") << 7 << 1;
        QTest::newRow("shortest") << 8 << 0;
        QTest::newRow("longest") << 1024 << 0;
        QTest::newRow("one too long") << 1025 << 1;
    }
    void passwordBounds() {
        QFETCH(int, length);
        QFETCH(int, code);
        const ServerRun outcome =
            run({"--add-operator", "alice", "--role", "admin"}, QByteArray(length, 'p') + '\n');
        QVERIFY2(outcome.code == code, qPrintable(outcome.err));
    }

    void accountsWorkAgainstTheServer() {
        QCOMPARE(run({"--add-operator", "alice", "--role", "viewer"}, "first password\r\n").code, 0);
        // Adding her again resets role and password.
        QCOMPARE(run({"--add-operator", "alice", "--role", "admin"}, "second password\n").code, 0);
        const ServerRun token = run({"--add-token", "ci", "--role", "viewer"});
        QCOMPARE(token.code, 0);
        QVERIFY(!token.out.contains(QLatin1Char(' ')));

        BuiltServer server;
        const Result<> started = server.start({"--database", database(), "--port", "0"});
        QVERIFY2(started, qPrintable(started.reason()));
        const QUrl url(server.url);

        ApiClient operatorClient(url);
        QCOMPARE(operatorClient.login("alice", "first password"), 401);
        QCOMPARE(operatorClient.login("alice", "second password"), 200);
        QCOMPARE(operatorClient.get("/api/v1/session").json.value("role").toString(), "admin");
        ApiClient script(url);
        script.bearer = token.out.trimmed().toLatin1();
        QCOMPARE(script.get("/api/v1/computers").status, 200);
        server.kill();
    }
};

QTEST_GUILESS_MAIN(TestAccountCommandLine)
#include "TestAccountCommandLine.moc"
