#include "modules/NameFile.h"
#include "support/PlatformFakes.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using mdlGeneral::NameFileContent;

class TestNameFile : public QObject {
    Q_OBJECT

    std::optional<QTemporaryDir> folder;
    std::optional<FakeExecutableLocation> location;
    std::optional<platform::ScopedFake<platform::ExecutableLocation>> locationFake;

    void writeRaw(const QByteArray& bytes) {
        QFile file(mdlGeneral::nameFilePath());
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
    }
    QString read() {
        const NameFileContent content = mdlGeneral::readNameFileContent();
        if (content.kind == NameFileContent::Kind::Unreadable)
            return content.reason.contains("kova.ini") ? "unreadable, says where" : content.reason;
        return content.kind == NameFileContent::Kind::Missing ? "missing" : "[" + content.name + "]";
    }

private slots:
    void init() {
        locationFake.reset();
        folder.emplace();
        location.emplace(folder->path());
        locationFake.emplace(*location);
    }

    void readsTheFirstLineAsWritten() {
        QStringList read{this->read()};
        for (const char* bytes : {"SRV01\r\nsecond line", "SRV01", "SRV01\nx", " two words \r\n", ""}) {
            writeRaw(bytes);
            read << this->read();
        }
        QVERIFY(QFile::remove(mdlGeneral::nameFilePath()) && QDir(folder->path()).mkdir("kova.ini"));
        read << this->read();
        QCOMPARE(read, (QStringList{"missing", "[SRV01]", "[SRV01]", "[SRV01]", "[ two words ]", "missing",
                                    "unreadable, says where"}));
    }

    // The whole file is replaced by the name alone, a shorter one too.
    void writesTheNameAlone() {
        AgentState state;
        QString error;
        writeRaw("A_MUCH_LONGER_NAME\r\n");
        QVERIFY(mdlGeneral::WriteNameFile("SRV_01", state, &error) && state.ComputerName == "SRV_01");
        QFile file(mdlGeneral::nameFilePath());
        QVERIFY(file.open(QIODevice::ReadOnly) && file.readAll() == "SRV_01");
    }
};

QTEST_GUILESS_MAIN(TestNameFile)
#include "TestNameFile.moc"
