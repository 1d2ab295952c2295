#include "modules/OsInfo.h"
#include "platform/OsVersion.h"
#include "platform/posix/OsRelease.h"

#include <QTest>

using platform::OsFacts;

namespace {

class FakeOsVersion final : public platform::OsVersion {
public:
    std::optional<OsFacts> facts;
    std::optional<OsFacts> read() override { return facts; }
};

} // namespace

class TestOsInfo : public QObject {
    Q_OBJECT

private slots:
    // Windows is named from its version record. Each row: platform, major.minor.build, and the names for a
    // workstation and a server edition.
    void namesWindowsFromItsVersion() {
        const QList<QStringList> rows = {
            {"0", "3.10.0", "Win32s", "Win32s"},
            {"1", "4.0.950", "Microsoft Windows 95", "Microsoft Windows 95"},
            {"1", "4.10.1998", "Microsoft Windows 98", "Microsoft Windows 98"},
            {"1", "4.90.3000", "Microsoft Windows 98",
             "Microsoft Windows 98"}, // ME says 4.90: always named 98
            {"1", "5.0.0", "Microsoft Windows ME", "Microsoft Windows ME"},
            {"2", "4.0.1381", "Microsoft Windows NT", "Microsoft Windows NT"},
            {"2", "5.0.2195", "Microsoft Windows 2000", "Microsoft Windows 2000"},
            {"2", "5.1.2600", "Microsoft Windows XP", "Microsoft Windows XP"},
            {"2", "5.2.3790", "Microsoft Windows XP", "Microsoft Windows XP"},
            {"2", "6.0.6002", "Microsoft Windows Vista", "Microsoft Windows Server 2008"},
            {"2", "6.1.7601", "Microsoft Windows 7", "Microsoft Windows Server 2008 R2"},
            {"2", "6.2.9200", "Microsoft Windows 8", "Microsoft Windows Server 2012"},
            {"2", "6.3.9600", "Microsoft Windows 8.1", "Microsoft Windows Server 2012 R2"},
            {"2", "10.0.14393", "Microsoft Windows 10", "Microsoft Windows Server 2016"},
            {"2", "10.0.17763", "Microsoft Windows 10", "Microsoft Windows Server 2019"},
            {"2", "10.0.20348", "Microsoft Windows 10", "Microsoft Windows Server 2022"},
            {"2", "10.0.22000", "Microsoft Windows 11", "Microsoft Windows Server 2022"},
            {"2", "10.0.26100", "Microsoft Windows 11", "Microsoft Windows Server 2025"},
            {"3", "10.0.0", "No available OS information.", "No available OS information."},
        };
        QStringList named, expected;
        for (const QStringList& row : rows) {
            const QStringList version = row[1].split('.');
            for (bool server : {false, true}) {
                named << row[0] + ' ' + row[1] + ": " +
                             mdlGetServerInfo::osNameFor(row[0].toUInt(), version[0].toUInt(),
                                                         version[1].toUInt(), version[2].toUInt(), server);
                expected << row[0] + ' ' + row[1] + ": " + row[server ? 3 : 2];
            }
        }
        QCOMPARE(named, expected);
    }

    void recordsTheSystemAndTheAgentVersion() {
        FakeOsVersion fake;
        const platform::ScopedFake<platform::OsVersion> seam(fake);
        AgentState state;
        QStringList recorded;
        for (const std::optional<OsFacts>& facts :
             {std::optional(OsFacts{2, 5, 1, 2600, false, {}}),
              std::optional(OsFacts{0, 22, 4, 0, false, "Ubuntu 22.04.3 LTS"}), std::optional<OsFacts>()}) {
            fake.facts = facts;
            mdlGetServerInfo::GetOSInfo(state);
            recorded << state.OS + " | " + state.OSVersion + " | " + state.AgentVersion;
        }
        QCOMPARE(recorded, (QStringList{"Microsoft Windows XP | Service Patch: 1 | 2.2.2",
                                        "Ubuntu 22.04.3 LTS | Service Patch: 4 | 2.2.2",
                                        "No available OS information. | Service Patch: 0 | 2.2.2"}));
    }

    // The name and the minor number, from the text of an os-release file.
    void readsTheOsReleaseFile() {
        QStringList read;
        for (const char* text :
             {"PRETTY_NAME=\"Debian GNU/Linux 12 (bookworm)\"\nNAME=\"Debian\"\nVERSION_ID=\"12\"\n",
              "# PRETTY_NAME=x\nVERSION_ID=\"22.04\"\nPRETTY_NAME=\"Ubuntu 22.04.3 LTS\"\n",
              "NAME=\"Alpine Linux\"\nVERSION_ID=3.19.1\nPRETTY_NAME='Alpine Linux v3.19'\n",
              "  NAME=\"Lab \\\"Box\\\"\"  \n", "ID=thing\nVERSION_ID=1.2\n"}) {
            const std::optional<OsFacts> facts = platform::osFactsFromOsRelease(text);
            read << (facts ? facts->productName + ' ' + QString::number(facts->minor) : "none");
        }
        QCOMPARE(read, (QStringList{"Debian GNU/Linux 12 (bookworm) 0", "Ubuntu 22.04.3 LTS 4",
                                    "Alpine Linux v3.19 19", "Lab \"Box\" 0", "none"}));
    }
};

QTEST_GUILESS_MAIN(TestOsInfo)
#include "TestOsInfo.moc"
