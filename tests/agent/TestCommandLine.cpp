#include "modules/AgentConfig.h"

#include <QTest>

class TestCommandLine : public QObject {
    Q_OBJECT

private slots:
    // Help and version end the run with 0, a bad argument with 2 and a message that names it.
    void argumentsThatEndTheRun_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("ended"); // the exit code and what the printed text holds
        QTest::newRow("help") << QStringList{"--help"} << "0: --server-url";
        QTest::newRow("version") << QStringList{"--version"} << "0: KOVA Oru 2.2.2\n";
        QTest::newRow("unknown option") << QStringList{"--once", "--fast"} << "2: fast";
        QTest::newRow("not an address") << QStringList{"--server-url", "central"} << "2: central";
        QTest::newRow("other scheme") << QStringList{"--update-url", "ftp://h/x"} << "2: ftp://h/x";
        QTest::newRow("once and service") << QStringList{"--service", "--once"} << "2: --once and --service";
        QTest::newRow("stray word") << QStringList{"extra"} << "2: extra";
        QTest::newRow("name of two words") << QStringList{"--set-name", "JVX PC"} << "2: one word";
        QTest::newRow("name with a line break") << QStringList{"--set-name", "SRV01\nx"} << "2: one word";
        QTest::newRow("name with a tab") << QStringList{"--set-name", "SRV\t01"} << "2: one word";
        QTest::newRow("empty name") << QStringList{"--set-name", ""} << "2: one word";
        QTest::newRow("name without a value") << QStringList{"--set-name"} << "2: set-name";
    }
    void argumentsThatEndTheRun() {
        QFETCH(QStringList, arguments);
        QFETCH(QString, ended);
        const CommandLine command = parseCommandLine(QStringList{"KOVA Oru"} + arguments);
        QCOMPARE(command.action, CommandLine::Action::Exit);
        QCOMPARE(command.exitCode, ended.section(": ", 0, 0).toInt());
        QVERIFY2(command.output.contains(ended.section(": ", 1)), qPrintable(command.output));
    }

    // Installers name the computer without a window; the name is written as given.
    void setNameWritesNothingElse() {
        const CommandLine command = parseCommandLine({"KOVA Oru", "--set-name", "JVX_PC-2"});
        QCOMPARE(command.action, CommandLine::Action::SetName);
        QCOMPARE(command.name, "JVX_PC-2");
    }

    // A restarted agent is given exactly what this one was given.
    void argumentsAreKeptForTheRestart() {
        const QStringList given{"--once", "--server-url", "https://h/x", "--ca-file", "/etc/ca.pem"};
        QCOMPARE(parseCommandLine(QStringList{"KOVA Oru"} + given).config.arguments, given);
    }
};

QTEST_GUILESS_MAIN(TestCommandLine)
#include "TestCommandLine.moc"
