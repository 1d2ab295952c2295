#include "modules/NameFile.h"
#include "platform/ExecutableFolder.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <unistd.h>

class TestNameFile : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> folder;

    void writeRaw(const QByteArray& bytes) {
        QFile file(mdlGeneral::nameFilePath());
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
    QByteArray readRaw() {
        QFile file(mdlGeneral::nameFilePath());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

private slots:
    void init() {
        folder = std::make_unique<QTemporaryDir>();
        platform::setExecutableFolderOverride(folder->path());
    }
    void cleanup() { platform::setExecutableFolderOverride(std::nullopt); }

    void readsTheFirstLineOnly_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("CR LF and a second line") << QByteArray("SRV01\r\nsecond line");
        QTest::newRow("no line break") << QByteArray("SRV01");
        QTest::newRow("LF only") << QByteArray("SRV01\nx");
    }
    void readsTheFirstLineOnly() {
        QFETCH(QByteArray, bytes);
        writeRaw(bytes);
        const auto content = mdlGeneral::readNameFileContent();
        QCOMPARE(content.kind, mdlGeneral::NameFileContent::Kind::Name);
        QCOMPARE(content.name, QStringLiteral("SRV01"));
    }

    void nameIsTakenAsWritten() {
        writeRaw(" two words \r\n");
        QCOMPARE(mdlGeneral::readNameFileContent().name, QStringLiteral(" two words "));
    }

    void missingAndEmptyFilesAskForSetup() {
        QCOMPARE(mdlGeneral::readNameFileContent().kind, mdlGeneral::NameFileContent::Kind::Missing);
        writeRaw("");
        QCOMPARE(mdlGeneral::readNameFileContent().kind, mdlGeneral::NameFileContent::Kind::Missing);
    }

    void unreadableFileNamesThePathAndReason() {
        QVERIFY(QDir(folder->path()).mkdir(QStringLiteral("kova.ini"))); // a folder where the file should be
        const auto content = mdlGeneral::readNameFileContent();
        QCOMPARE(content.kind, mdlGeneral::NameFileContent::Kind::Unreadable);
        QVERIFY2(content.reason.contains(QStringLiteral("kova.ini")), qPrintable(content.reason));
    }

    void writeReplacesTheWholeFileWithoutTerminator() {
        AgentState state;
        QString error;
        writeRaw("A_MUCH_LONGER_NAME\r\n");
        QVERIFY(mdlGeneral::WriteNameFile(QStringLiteral("SRV_01"), state, &error));
        QCOMPARE(readRaw(), QByteArray("SRV_01"));
        QCOMPARE(state.ComputerName, QStringLiteral("SRV_01"));
    }

    void failedWriteKeepsTheOldFileAndSaysWhy() {
        if (geteuid() == 0)
            QSKIP("root writes into read-only folders");
        AgentState state;
        QString error;
        writeRaw("OLD");
        QFile::setPermissions(folder->path(), QFile::ReadOwner | QFile::ExeOwner);
        QVERIFY(!mdlGeneral::WriteNameFile(QStringLiteral("NEW"), state, &error));
        QFile::setPermissions(folder->path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QVERIFY2(error.contains(QStringLiteral("kova.ini")), qPrintable(error));
        QCOMPARE(readRaw(), QByteArray("OLD"));
        QVERIFY(state.ComputerName.isEmpty());
    }

    void failedWriteIntoAMissingFolderSaysWhy() {
        AgentState state;
        QString error;
        platform::setExecutableFolderOverride(folder->path() + QStringLiteral("/absent"));
        QVERIFY(!mdlGeneral::WriteNameFile(QStringLiteral("NEW"), state, &error));
        QVERIFY(!error.isEmpty());
        QVERIFY(state.ComputerName.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestNameFile)
#include "TestNameFile.moc"
