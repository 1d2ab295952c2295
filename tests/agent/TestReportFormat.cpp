#include "modules/StatusReportBody.h"
#include "support/ReportFields.h"

#include <QTest>

// The 67 keys of the status report as the central server reads them, in their order, written out here rather
// than taken from the code under test.
// clang-format off
const QStringList kWrittenKeys{
    "sComputerName", "sIP", "sOS", "sOSVersion", "sORUVersion", "sRebootTime", "sAutoRebootTime",
    "sManualReboot", "sSnoozeTime", "sSettingTime", "sCheckUpdate",
    "sDir1", "sDir2", "sDir3", "sDir4", "sDir5", "sDir6", "sDir7", "sDir8", "sDir9", "sDir10",
    "sAlert1", "sAlert2", "sAlert3", "sAlert4", "sAlert5", "sAlert6", "sAlert7", "sAlert8", "sAlert9",
    "sAlert10",
    "sLogFlag", "sLogTime", "sLastMessageDate", "sAlertStatus", "sDisable",
    "sDisk1", "sDisk2", "sDisk3", "sDisk4", "sDiskSpace1", "sdiskspace2", "sDiskSpace3", "sDiskSpace4",
    "sCount1", "sSize1", "sCount2", "sSize2", "sCount3", "sSize3", "sCount4", "sSize4", "sCount5", "sSize5",
    "sCount6", "sSize6", "sCount7", "sSize7", "sCount8", "sSize8", "sCount9", "sSize9", "sCount10", "sSize10",
    "sMessage", "sMessageDate", "sAlert"};
// clang-format on

class TestReportFormat : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }

    void reportCarriesEveryKeyInOrder() {
        AgentState state;
        state.ComputerName = QStringLiteral("JVX_PC");
        state.Dir[3] = QStringLiteral("C:\\my data & more=+%_x");
        state.Message = QStringLiteral("Alert was reset by user.");
        state.AlertStatus = QStringLiteral("0");
        state.Disable = QStringLiteral("1");
        const QString body = buildStatusReport(state, QDateTime(QDate(2026, 12, 5), QTime(13, 15)));
        QStringList keys;
        for (const QString& pair : body.split(u'&'))
            keys << pair.section(u'=', 0, 0);
        QCOMPARE(keys.size(), 67);
        QCOMPARE(keys, kWrittenKeys); // "&" and "=" inside values split nothing
        const auto fields = reportFields(body.toUtf8());
        QStringList values;
        for (const char* key : {"sComputerName", "sDir3", "sDir1", "sMessage", "sLastMessageDate", "sAlert",
                                "sDisable", "sMessageDate", "sLogTime"})
            values << fields.value(key);
        QCOMPARE(values, (QStringList{"JVX_PC", state.Dir[3], "", state.Message, state.Message, "0", "1",
                                      "12/5/2026 1:15:00 PM", "12/5/2026 1:15:00 PM"}));
    }
};

QTEST_GUILESS_MAIN(TestReportFormat)
#include "TestReportFormat.moc"
