#include "modules/OsInfo.h"

#include <QTest>

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
            // ME says 4.90, and has always been named 98.
            {"1", "4.90.3000", "Microsoft Windows 98", "Microsoft Windows 98"},
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
            const QStringList v = row[1].split('.');
            for (bool server : {false, true}) {
                named << mdlGetServerInfo::osNameFor(row[0].toUInt(), v[0].toUInt(), v[1].toUInt(),
                                                     v[2].toUInt(), server);
                expected << row[server ? 3 : 2];
            }
        }
        QCOMPARE(named, expected);
    }
};

QTEST_GUILESS_MAIN(TestOsInfo)
#include "TestOsInfo.moc"
