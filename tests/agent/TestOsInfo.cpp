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
    // Windows is named from its version record: platform, major.minor.build, server edition or not.
    void namesTheSystem() {
        const QList<std::pair<OsFacts, QString>> rows = {
            {{0, 3, 10, 0, false, {}}, "Win32s"},
            {{1, 4, 0, 950, false, {}}, "Microsoft Windows 95"},
            {{1, 3, 95, 0, false, {}}, "Microsoft Windows 95"},
            {{1, 4, 10, 1998, false, {}}, "Microsoft Windows 98"},
            {{1, 4, 90, 3000, false, {}},
             "Microsoft Windows 98"}, // ME says 4.90 and has always been named 98
            {{1, 5, 0, 0, false, {}}, "Microsoft Windows ME"},
            {{2, 4, 0, 1381, true, {}}, "Microsoft Windows NT"},
            {{2, 5, 0, 2195, true, {}}, "Microsoft Windows 2000"},
            {{2, 5, 1, 2600, false, {}}, "Microsoft Windows XP"},
            {{2, 5, 2, 3790, true, {}}, "Microsoft Windows XP"},
            {{2, 6, 0, 6002, false, {}}, "Microsoft Windows Vista"},
            {{2, 6, 0, 6003, true, {}}, "Microsoft Windows Server 2008"},
            {{2, 6, 1, 7601, false, {}}, "Microsoft Windows 7"},
            {{2, 6, 1, 7601, true, {}}, "Microsoft Windows Server 2008 R2"},
            {{2, 6, 2, 9200, false, {}}, "Microsoft Windows 8"},
            {{2, 6, 2, 9200, true, {}}, "Microsoft Windows Server 2012"},
            {{2, 6, 3, 9600, false, {}}, "Microsoft Windows 8.1"},
            {{2, 6, 3, 9600, true, {}}, "Microsoft Windows Server 2012 R2"},
            {{2, 6, 4, 9841, false, {}}, "Microsoft Windows 8.1"}, // a preview takes the release before
            {{2, 10, 0, 21999, false, {}}, "Microsoft Windows 10"},
            {{2, 10, 0, 22000, false, {}}, "Microsoft Windows 11"},
            {{2, 10, 0, 17762, true, {}}, "Microsoft Windows Server 2016"},
            {{2, 10, 0, 17763, true, {}}, "Microsoft Windows Server 2019"},
            {{2, 10, 0, 26099, true, {}}, "Microsoft Windows Server 2022"},
            {{2, 10, 0, 26100, true, {}}, "Microsoft Windows Server 2025"},
            {{3, 10, 0, 0, false, {}}, "No available OS information."},
        };
        FakeOsVersion fake;
        const platform::ScopedFake<platform::OsVersion> seam(fake);
        AgentState state;
        QStringList named, expected;
        for (const auto& [facts, name] : rows) {
            fake.facts = facts;
            mdlGetServerInfo::GetOSInfo(state);
            named << state.OS;
            expected << name;
        }
        QCOMPARE(named, expected);

        fake.facts = OsFacts{0, 22, 4, 0, false, "Ubuntu 22.04.3 LTS"};
        mdlGetServerInfo::GetOSInfo(state);
        QCOMPARE((QStringList{state.OS, state.OSVersion, state.AgentVersion}),
                 (QStringList{"Ubuntu 22.04.3 LTS", "Service Patch: 4", "2.2.2"}));
        fake.facts.reset(); // the system does not tell
        mdlGetServerInfo::GetOSInfo(state);
        QCOMPARE((QStringList{state.OS, state.OSVersion}),
                 (QStringList{"No available OS information.", "Service Patch: 0"}));
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
