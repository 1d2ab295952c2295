#include "modules/AgentConfig.h"

#include <QTest>

class TestCommandLine : public QObject {
    Q_OBJECT

    static CommandLine parse(QStringList arguments) {
        arguments.prepend(QStringLiteral("KOVA Oru"));
        return parseCommandLine(arguments);
    }

private slots:
    void defaultsAreTheCompiledInAddresses() {
        const CommandLine command = parse({});
        QCOMPARE(command.action, CommandLine::Action::Run);
        QCOMPARE(command.config.serverUrl, QStringLiteral(KOVA_SERVER_URL));
        QVERIFY(!command.config.once);
    }

    void addressesCanBeOverridden() {
        const CommandLine command =
            parse({"--once", "--server-url", "https://central.example/kova-oru/process_servers.asp",
                   "--time-url", "http://127.0.0.1:9/cgi-bin/timer.pl", "--ca-file", "/tmp/ca.pem"});
        QCOMPARE(command.action, CommandLine::Action::Run);
        QVERIFY(command.config.once);
        QCOMPARE(command.config.serverUrl,
                 QStringLiteral("https://central.example/kova-oru/process_servers.asp"));
        QCOMPARE(command.config.timeUrl, QStringLiteral("http://127.0.0.1:9/cgi-bin/timer.pl"));
        QCOMPARE(command.config.caFile, QStringLiteral("/tmp/ca.pem"));
    }

    void helpAndVersionEndTheRun() {
        QCOMPARE(parse({"--help"}).exitCode, 0);
        QVERIFY(parse({"--help"}).output.contains(QStringLiteral("--server-url")));
        QCOMPARE(parse({"--version"}).output, QStringLiteral("KOVA Oru 2.2.2\n"));
    }

    void badArgumentsSayWhatIsWrong_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("named");
        QTest::newRow("unknown option") << QStringList{"--fast"} << "fast";
        QTest::newRow("not an address") << QStringList{"--server-url", "central"} << "central";
        QTest::newRow("other scheme") << QStringList{"--update-url", "ftp://h/x"} << "ftp://h/x";
        QTest::newRow("stray word") << QStringList{"extra"} << "extra";
    }
    void badArgumentsSayWhatIsWrong() {
        QFETCH(QStringList, arguments);
        QFETCH(QString, named);
        const CommandLine command = parse(arguments);
        QCOMPARE(command.action, CommandLine::Action::Exit);
        QCOMPARE(command.exitCode, 2);
        QVERIFY2(command.output.contains(named), qPrintable(command.output));
    }
};

QTEST_GUILESS_MAIN(TestCommandLine)
#include "TestCommandLine.moc"
