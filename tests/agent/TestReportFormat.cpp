#include "modules/StatusReportBody.h"
#include "support/ReportFields.h"
#include "WireFormat.h"

#include <QTest>

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
        QCOMPARE(keys, wire::reportKeys()); // "&" and "=" inside values split nothing
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
