#include "modules/OsInfo.h"
#include "platform/OsVersion.h"
#ifdef Q_OS_UNIX
#include "platform/posix/OsRelease.h"
#endif

#include <QTest>

using mdlGetServerInfo::GetOSInfo;
using mdlGetServerInfo::osNameFor;

namespace {

class FakeOsVersion final : public platform::OsVersion {
public:
    std::optional<platform::OsFacts> facts;
    std::optional<platform::OsFacts> read() override { return facts; }
};

} // namespace

class TestOsInfo : public QObject {
    Q_OBJECT

private slots:
    void namesWindowsFromItsVersion_data() {
        QTest::addColumn<quint32>("platformId");
        QTest::addColumn<quint32>("major");
        QTest::addColumn<quint32>("minor");
        QTest::addColumn<quint32>("build");
        QTest::addColumn<bool>("server");
        QTest::addColumn<QString>("name");
        auto row = [](const char* label, quint32 id, quint32 major, quint32 minor, quint32 build, bool server,
                      const char* name) {
            QTest::newRow(label) << id << major << minor << build << server << QString::fromLatin1(name);
        };
        row("Win32s", 0, 3, 10, 0, false, "Win32s");
        row("95", 1, 4, 0, 950, false, "Microsoft Windows 95");
        row("98", 1, 4, 10, 1998, false, "Microsoft Windows 98");
        row("ME reports 4.90 and is named 98", 1, 4, 90, 3000, false, "Microsoft Windows 98");
        row("9x with major 5", 1, 5, 0, 0, false, "Microsoft Windows ME");
        row("9x before 4", 1, 3, 95, 0, false, "Microsoft Windows 95");
        row("NT 3.51", 2, 3, 51, 1057, false, "Microsoft Windows NT");
        row("NT 4", 2, 4, 0, 1381, true, "Microsoft Windows NT");
        row("2000", 2, 5, 0, 2195, false, "Microsoft Windows 2000");
        row("2000 server", 2, 5, 0, 2195, true, "Microsoft Windows 2000");
        row("XP", 2, 5, 1, 2600, false, "Microsoft Windows XP");
        row("5.2 is XP, server or not", 2, 5, 2, 3790, true, "Microsoft Windows XP");
        row("Vista", 2, 6, 0, 6002, false, "Microsoft Windows Vista");
        row("Server 2008", 2, 6, 0, 6003, true, "Microsoft Windows Server 2008");
        row("7", 2, 6, 1, 7601, false, "Microsoft Windows 7");
        row("Server 2008 R2", 2, 6, 1, 7601, true, "Microsoft Windows Server 2008 R2");
        row("8", 2, 6, 2, 9200, false, "Microsoft Windows 8");
        row("Server 2012", 2, 6, 2, 9200, true, "Microsoft Windows Server 2012");
        row("8.1", 2, 6, 3, 9600, false, "Microsoft Windows 8.1");
        row("Server 2012 R2", 2, 6, 3, 9600, true, "Microsoft Windows Server 2012 R2");
        row("6.4 preview takes the release before", 2, 6, 4, 9841, false, "Microsoft Windows 8.1");
        row("10", 2, 10, 0, 19045, false, "Microsoft Windows 10");
        row("last build of 10", 2, 10, 0, 21999, false, "Microsoft Windows 10");
        row("11", 2, 10, 0, 22000, false, "Microsoft Windows 11");
        row("11 24H2", 2, 10, 0, 26100, false, "Microsoft Windows 11");
        row("Server 2016", 2, 10, 0, 14393, true, "Microsoft Windows Server 2016");
        row("last build of 2016", 2, 10, 0, 17762, true, "Microsoft Windows Server 2016");
        row("Server 2019", 2, 10, 0, 17763, true, "Microsoft Windows Server 2019");
        row("Server 2022", 2, 10, 0, 20348, true, "Microsoft Windows Server 2022");
        row("last build of 2022", 2, 10, 0, 26099, true, "Microsoft Windows Server 2022");
        row("Server 2025", 2, 10, 0, 26100, true, "Microsoft Windows Server 2025");
        row("unknown platform", 3, 10, 0, 0, false, "No available OS information.");
    }
    void namesWindowsFromItsVersion() {
        QFETCH(quint32, platformId);
        QFETCH(quint32, major);
        QFETCH(quint32, minor);
        QFETCH(quint32, build);
        QFETCH(bool, server);
        QFETCH(QString, name);
        QCOMPARE(osNameFor(platformId, major, minor, build, server), name);
    }

    void recordsSystemAndAgentVersion_data() {
        QTest::addColumn<bool>("told");
        QTest::addColumn<quint32>("platformId");
        QTest::addColumn<quint32>("minor");
        QTest::addColumn<QString>("productName");
        QTest::addColumn<QString>("os");
        QTest::addColumn<QString>("osVersion");
        QTest::newRow("system does not tell") << false << 2u << 1u << ""
                                              << "No available OS information."
                                              << "Service Patch: 0";
        QTest::newRow("Windows XP") << true << 2u << 1u << ""
                                    << "Microsoft Windows XP"
                                    << "Service Patch: 1";
        QTest::newRow("unknown platform still reports its minor") << true << 9u << 3u << ""
                                                                  << "No available OS information."
                                                                  << "Service Patch: 3";
        QTest::newRow("system names itself") << true << 0u << 4u << "Ubuntu 22.04.3 LTS"
                                             << "Ubuntu 22.04.3 LTS"
                                             << "Service Patch: 4";
    }
    void recordsSystemAndAgentVersion() {
        QFETCH(bool, told);
        QFETCH(quint32, platformId);
        QFETCH(quint32, minor);
        QFETCH(QString, productName);
        QFETCH(QString, os);
        QFETCH(QString, osVersion);
        FakeOsVersion fake;
        if (told)
            fake.facts = platform::OsFacts{platformId, 5, minor, 2600, false, productName};
        const platform::ScopedFake<platform::OsVersion> seam(fake);
        AgentState state;
        state.OS = QStringLiteral("stale");

        GetOSInfo(state);

        QCOMPARE(state.OS, os);
        QCOMPARE(state.OSVersion, osVersion);
        QCOMPARE(state.AgentVersion, "2.2.2");
    }

#ifdef Q_OS_UNIX
    void readsTheSystemsOwnDescription_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QString>("name");
        QTest::addColumn<quint32>("minor");
        QTest::newRow("Debian") << QByteArray("PRETTY_NAME=\"Debian GNU/Linux 12 (bookworm)\"\nNAME=\"Debian "
                                              "GNU/Linux\"\nVERSION_ID=\"12\"\n")
                                << "Debian GNU/Linux 12 (bookworm)" << 0u;
        QTest::newRow("minor with a leading zero")
            << QByteArray("# comment=ignored\nVERSION_ID=\"22.04\"\nPRETTY_NAME=\"Ubuntu 22.04.3 LTS\"\n")
            << "Ubuntu 22.04.3 LTS" << 4u;
        QTest::newRow("three-part version, unquoted")
            << QByteArray("NAME=\"Alpine Linux\"\nVERSION_ID=3.19.1\nPRETTY_NAME='Alpine Linux v3.19'\n")
            << "Alpine Linux v3.19" << 19u;
        QTest::newRow("name only, escaped quote")
            << QByteArray("  NAME=\"Lab \\\"Box\\\"\"  \n") << "Lab \"Box\"" << 0u;
        QTest::newRow("no name") << QByteArray("ID=thing\nVERSION_ID=1.2\n") << "" << 0u;
    }
    void readsTheSystemsOwnDescription() {
        QFETCH(QByteArray, text);
        QFETCH(QString, name);
        QFETCH(quint32, minor);
        const std::optional<platform::OsFacts> facts = platform::osFactsFromOsRelease(text);
        QCOMPARE(facts.has_value(), !name.isEmpty());
        if (facts) {
            QCOMPARE(facts->productName, name);
            QCOMPARE(facts->minor, minor);
        }
    }
#endif
};

QTEST_GUILESS_MAIN(TestOsInfo)
#include "TestOsInfo.moc"
