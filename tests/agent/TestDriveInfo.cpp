#include "modules/DriveInfo.h"
#include "platform/Drives.h"

#include <QMap>
#include <QTest>

using mdlGetServerInfo::freeSpaceText;
using mdlGetServerInfo::GetDriveInfo;

namespace {

// Built from short descriptions: "C:\" is a ready fixed drive, and the words "cd", "notready" and "nofree"
// before the root make it an optical drive, a drive that is not ready, or one whose free-space query fails.
// Drive number i (from 0) has (i + 1) * 10,000 bytes free, so its text is "i + 1".
class FakeDrives final : public platform::Drives {
public:
    explicit FakeDrives(const QStringList& descriptions) {
        for (const QString& description : descriptions) {
            const QStringList words = description.split(u' ');
            const QString root = words.last();
            drives.push_back(platform::Drive{root, !words.contains("cd"), !words.contains("notready")});
            if (!words.contains("nofree"))
                freeBytes.insert(root, quint64(drives.size()) * 10000);
        }
    }
    std::vector<platform::Drive> list() override { return drives; }
    std::optional<quint64> totalFreeBytes(const QString& root) override {
        if (!freeBytes.contains(root))
            return std::nullopt;
        return freeBytes.value(root);
    }

private:
    std::vector<platform::Drive> drives;
    QMap<QString, quint64> freeBytes;
};

QStringList entries(const Numbered<kDiskCount>& numbered) {
    QStringList list;
    for (int k = 1; k <= kDiskCount; ++k)
        list << numbered[k];
    return list;
}

} // namespace

class TestDriveInfo : public QObject {
    Q_OBJECT

private slots:
    void freeSpaceIsWrittenInTenThousandBytes_data() {
        QTest::addColumn<quint64>("bytes");
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QString>("text");
        const QLocale c = QLocale::c();
        const QLocale german(QLocale::German, QLocale::Germany);
        QTest::newRow("ten gibibytes") << quint64(10737418240) << c << "1073741.824";
        QTest::newRow("whole number") << quint64(100000000) << c << "10000";
        QTest::newRow("four decimals") << quint64(12345) << c << "1.2345";
        QTest::newRow("nothing free") << quint64(0) << c << "0";
        QTest::newRow("one byte") << quint64(1) << c << "0.0001";
        QTest::newRow("inner zeros kept") << quint64(10203) << c << "1.0203";
        QTest::newRow("largest count") << quint64(18446744073709551615ULL) << c << "1844674407370955.1615";
        QTest::newRow("no grouping, local separator") << quint64(10737418240) << german << "1073741,824";
    }
    void freeSpaceIsWrittenInTenThousandBytes() {
        QFETCH(quint64, bytes);
        QFETCH(QLocale, locale);
        QFETCH(QString, text);
        QCOMPARE(freeSpaceText(bytes, locale), text);
    }

    void recordsTheFirstFourReadyFixedDrives_data() {
        QTest::addColumn<QStringList>("drives");
        QTest::addColumn<QStringList>("diskBefore");
        QTest::addColumn<QStringList>("disk");
        QTest::addColumn<QStringList>("diskSpace");
        const QStringList fresh{"", "", "", ""};
        QTest::newRow("two fixed and an optical drive")
            << QStringList{"C:\\", "D:\\", "cd E:\\"} << fresh << QStringList{"C:\\", "D:\\", "", ""}
            << QStringList{"1", "2", "0", "0"};
        QTest::newRow("five fixed: the fifth is left out")
            << QStringList{"C:\\", "D:\\", "E:\\", "F:\\", "G:\\"} << fresh
            << QStringList{"C:\\", "D:\\", "E:\\", "F:\\"} << QStringList{"1", "2", "3", "4"};
        QTest::newRow("a drive that is not ready gives up its place")
            << QStringList{"C:\\", "notready D:\\", "E:\\"} << fresh << QStringList{"C:\\", "E:\\", "", ""}
            << QStringList{"1", "3", "0", "0"};
        QTest::newRow("a failed free-space query reports nothing free")
            << QStringList{"C:\\", "nofree D:\\", "E:\\"} << fresh << QStringList{"C:\\", "D:\\", "E:\\", ""}
            << QStringList{"1", "0", "3", "0"};
        QTest::newRow("fewer drives than last time keep the old roots")
            << QStringList{"C:\\"} << QStringList{"C:\\", "D:\\", "E:\\", "F:\\"}
            << QStringList{"C:\\", "D:\\", "E:\\", "F:\\"} << QStringList{"1", "0", "0", "0"};
        QTest::newRow("no drives at all")
            << QStringList{} << fresh << fresh << QStringList{"0", "0", "0", "0"};
    }
    void recordsTheFirstFourReadyFixedDrives() {
        QFETCH(QStringList, drives);
        QFETCH(QStringList, diskBefore);
        QFETCH(QStringList, disk);
        QFETCH(QStringList, diskSpace);
        FakeDrives fake(drives);
        const platform::ScopedFake<platform::Drives> seam(fake);
        AgentState state;
        for (int k = 1; k <= kDiskCount; ++k) {
            state.Disk[k] = diskBefore[k - 1];
            state.DiskSpace[k] = QStringLiteral("99");
        }

        GetDriveInfo(state);

        QCOMPARE(entries(state.Disk), disk);
        QCOMPARE(entries(state.DiskSpace), diskSpace);
    }
};

QTEST_GUILESS_MAIN(TestDriveInfo)
#include "TestDriveInfo.moc"
