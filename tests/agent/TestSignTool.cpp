// kova_sign as a publisher uses it: a key pair, then a signature the agent accepts for exactly that file.
#include "modules/UpdateSignature.h"
#include "support/FileBytes.h"
#include "support/ThrowawayKey.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

namespace {

struct ToolRun {
    int exitCode;
    QString output; // standard output and error together
};

ToolRun kovaSign(const QStringList& arguments) {
    QProcess tool;
    tool.setProcessChannelMode(QProcess::MergedChannels);
    tool.start(qEnvironmentVariable("KOVA_SIGN_EXE"), arguments);
    tool.waitForFinished(30000);
    return {tool.exitStatus() == QProcess::NormalExit ? tool.exitCode() : -1,
            QString::fromLocal8Bit(tool.readAll()).trimmed()};
}

} // namespace

class TestSignTool : public QObject {
    Q_OBJECT
    QTemporaryDir folder;

private slots:
    void signsWhatTheAgentAccepts() {
        const QString key = folder.filePath("update.key");
        const ToolRun made = kovaSign({"keygen", key});
        QCOMPARE(made.exitCode, 0);
        QVERIFY(QRegularExpression("^[0-9a-f]{64}$").match(made.output).hasMatch());
        const QFile::Permissions others =
            QFile::ReadGroup | QFile::WriteGroup | QFile::ReadOther | QFile::WriteOther;
        QCOMPARE(QFile::permissions(key) & others, QFile::Permissions()); // a private key stays private
        QCOMPARE(kovaSign({"public", key}).output, made.output);
        // An existing key is never overwritten.
        QCOMPARE(kovaSign({"keygen", key}).exitCode, 1);
        QCOMPARE(kovaSign({"public", key}).output, made.output);

        TrustedKeys trusted;
        trusted.keys = {QByteArray::fromHex(made.output.toLatin1())};
        const platform::ScopedFake<mdlGeneral::UpdateKeys> fake(trusted);
        const QString program = folder.filePath("KOVA_Oru.exe");
        QVERIFY(writeFileBytes(program, QByteArray(300000, 'p')));
        QCOMPARE(kovaSign({"sign", key, program}).exitCode, 0);
        QCOMPARE(QFileInfo(program + ".sig").size(), 64);
        const Result<> verified = mdlGeneral::verifySignature(program, program + ".sig");
        QVERIFY2(verified, qPrintable(verified.reason()));
        QVERIFY(writeFileBytes(program, QByteArray(300000, 'p') + 'x'));
        QVERIFY(!mdlGeneral::verifySignature(program, program + ".sig"));
    }

    void refusesWhatItCannotUse_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("says");
        QTest::newRow("no command") << QStringList{} << 2 << "Usage:";
        QTest::newRow("missing key file") << QStringList{"public", "absent.key"} << 1 << "cannot read";
        QTest::newRow("no key in the file")
            << QStringList{"sign", "not-a-key", "not-a-key"} << 1 << "holds no key";
        QTest::newRow("missing file to sign") << QStringList{"sign", "good.key", "absent"} << 1 << "absent";
    }
    void refusesWhatItCannotUse() {
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        QFETCH(QString, says);
        QVERIFY(writeFileBytes(folder.filePath("not-a-key"), "hello"));
        if (!QFile::exists(folder.filePath("good.key")))
            QCOMPARE(kovaSign({"keygen", folder.filePath("good.key")}).exitCode, 0);
        for (QString& argument : arguments)
            argument =
                argument.endsWith("key") || argument == "absent" ? folder.filePath(argument) : argument;
        const ToolRun run = kovaSign(arguments);
        QCOMPARE(run.exitCode, exitCode);
        QVERIFY2(run.output.contains(says), qPrintable(run.output));
    }
};

QTEST_GUILESS_MAIN(TestSignTool)
#include "TestSignTool.moc"
