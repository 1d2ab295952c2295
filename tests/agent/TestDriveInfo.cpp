#include "modules/DriveInfo.h"
#include "platform/Drives.h"

#include <QTest>

namespace {

// Drives named by short descriptions: "C:" is a ready fixed drive, "cd E:" an optical one, "notready D:" one
// that is not ready and "nofree D:" one whose free space cannot be asked. Drive i (from 1) has i * 10,000
// bytes free, so its text is "i".
class FakeDrives final : public platform::Drives {
public:
    QStringList descriptions;

    std::vector<platform::Drive> list() override {
        std::vector<platform::Drive> drives;
        for (const QString& drive : descriptions)
            drives.push_back({drive, !drive.startsWith("cd "), !drive.startsWith("notready ")});
        return drives;
    }
    std::optional<quint64> totalFreeBytes(const QString& root) override {
        if (root.startsWith("nofree "))
            return std::nullopt;
        return (descriptions.indexOf(root) + 1) * 10000;
    }
};

} // namespace

class TestDriveInfo : public QObject {
    Q_OBJECT

private slots:
    void freeSpaceIsWrittenInTenThousandBytes() {
        QStringList written;
        for (quint64 bytes : {10737418240ULL, 100000000ULL, 12345ULL, 0ULL, 1ULL, 10203ULL, ~0ULL})
            written << mdlGetServerInfo::freeSpaceText(bytes, QLocale::c());
        written << mdlGetServerInfo::freeSpaceText(10737418240ULL, QLocale(QLocale::German)); // never grouped
        QCOMPARE(written, (QStringList{"1073741.824", "10000", "1.2345", "0", "0.0001", "1.0203",
                                       "1844674407370955.1615", "1073741,824"}));
    }

    // One record through all rows, as through cycles: an entry no drive fills keeps the root it held.
    void recordsTheFirstFourReadyFixedDrives() {
        const QList<std::pair<QStringList, QString>> rows = {
            {{}, " 0,  0,  0,  0"},
            {{"C:", "D:", "cd E:"}, "C: 1, D: 2,  0,  0"},
            {{"C:", "notready D:", "E:"}, "C: 1, E: 3,  0,  0"},
            {{"C:", "nofree D:", "E:"}, "C: 1, nofree D: 0, E: 3,  0"},
            {{"C:", "D:", "E:", "F:", "G:"}, "C: 1, D: 2, E: 3, F: 4"},
            {{"C:"}, "C: 1, D: 0, E: 0, F: 0"},
        };
        FakeDrives fake;
        const platform::ScopedFake<platform::Drives> seam(fake);
        AgentState state;
        QStringList recorded, expected;
        for (const auto& [drives, disks] : rows) {
            fake.descriptions = drives;
            mdlGetServerInfo::GetDriveInfo(state);
            QStringList entries;
            for (int k = 1; k <= kDiskCount; ++k)
                entries << state.Disk[k] + ' ' + state.DiskSpace[k];
            recorded << entries.join(", ");
            expected << disks;
        }
        QCOMPARE(recorded, expected);
    }
};

QTEST_GUILESS_MAIN(TestDriveInfo)
#include "TestDriveInfo.moc"
