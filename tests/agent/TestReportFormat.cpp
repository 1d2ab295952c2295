#include "modules/SettingsPieces.h"
#include "modules/StatusReportBody.h"
#include "WireFormat.h"

#include <QTest>
#include <QUrlQuery>

namespace {

QStringList numberedPieces(int count) {
    QStringList pieces;
    for (int i = 0; i < count; ++i)
        pieces << QStringLiteral("p%1").arg(i);
    return pieces;
}

QStringList keysOf(const QString& body) {
    QStringList keys;
    for (const QString& pair : body.split(QLatin1Char('&')))
        keys << pair.section(QLatin1Char('='), 0, 0);
    return keys;
}

QString valueOf(const QString& body, const QString& key) {
    for (const QString& pair : body.split(QLatin1Char('&'))) {
        if (pair.section(QLatin1Char('='), 0, 0) == key)
            return pair.section(QLatin1Char('='), 1);
    }
    return QStringLiteral("<absent>");
}

} // namespace

class TestReportFormat : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }

    void fullReplyFillsEveryFieldInOrder() {
        AgentState state;
        QCOMPARE(storeSettingsPieces(state, numberedPieces(30)), 28);
        QCOMPARE(state.LogFlag, QStringLiteral("p0"));
        QCOMPARE(state.RebootTime, QStringLiteral("p5"));
        QCOMPARE(state.Dir[1], QStringLiteral("p6"));
        QCOMPARE(state.Dir[10], QStringLiteral("p15"));
        QCOMPARE(state.Alert[1], QStringLiteral("p16"));
        QCOMPARE(state.Alert[10], QStringLiteral("p25"));
        QCOMPARE(state.Disable, QStringLiteral("p26"));
        QCOMPARE(state.CheckUpdate, QStringLiteral("p27"));
    }

    void shortReplyLeavesLaterFieldsAlone() {
        AgentState state;
        state.Dir[4] = QStringLiteral("old4");
        state.Dir[5] = QStringLiteral("old5");
        state.CheckUpdate = QStringLiteral("old");
        QCOMPARE(storeSettingsPieces(state, numberedPieces(10)), 10);
        QCOMPARE(state.Dir[4], QStringLiteral("p9"));
        QCOMPARE(state.Dir[5], QStringLiteral("old5"));
        QCOMPARE(state.CheckUpdate, QStringLiteral("old"));
    }

    void truthValues_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("expected"); // -1: not a truth value
        QTest::newRow("1") << "1" << 1;
        QTest::newRow("-1") << "-1" << 1;
        QTest::newRow("TrUe") << "TrUe" << 1;
        QTest::newRow("0") << "0" << 0;
        QTest::newRow("FALSE") << "FALSE" << 0;
        QTest::newRow("empty") << "" << -1;
        QTest::newRow("word") << "yes" << -1;
    }
    void truthValues() {
        QFETCH(QString, text);
        QFETCH(int, expected);
        const auto value = readTruthValue(text);
        QCOMPARE(value.has_value() ? int(*value) : -1, expected);
    }

    void reportCarriesTheKeysInOrder() {
        const QString body = buildStatusReport(AgentState{}, QDateTime(QDate(2026, 12, 5), QTime(13, 15)));
        QCOMPARE(keysOf(body), wire::reportKeys());
        QVERIFY(!body.endsWith(QLatin1Char('&')));
        QCOMPARE(valueOf(body, QStringLiteral("sDir1")), QString());
        QCOMPARE(valueOf(body, QStringLiteral("sMessageDate")), QStringLiteral("12/5/2026_1:15:00_PM"));
        QCOMPARE(valueOf(body, QStringLiteral("sLogTime")), QStringLiteral("12/5/2026_1:15:00_PM"));
    }

    void reportValuesSurviveTheForm() {
        AgentState state;
        state.ComputerName = QStringLiteral("JVX_PC");
        state.Dir[3] = QStringLiteral("C:\\my data & more=+%_x");
        state.Message = QStringLiteral("Alert was reset by user.");
        state.AlertStatus = QStringLiteral("0");
        state.Disable = QStringLiteral("1");
        const QString body = buildStatusReport(state, QDateTime(QDate(2026, 12, 5), QTime(13, 15)));
        QCOMPARE(keysOf(body).size(), 67); // "&" and "=" inside values no longer split pairs
        QCOMPARE(wire::decodeFieldValue(valueOf(body, QStringLiteral("sDir3"))), state.Dir[3]);
        QCOMPARE(valueOf(body, QStringLiteral("sComputerName")), QStringLiteral("JVX%5FPC"));
        QCOMPARE(valueOf(body, QStringLiteral("sMessage")), QStringLiteral("Alert_was_reset_by_user."));
        QCOMPARE(valueOf(body, QStringLiteral("sLastMessageDate")),
                 valueOf(body, QStringLiteral("sMessage")));
        QCOMPARE(valueOf(body, QStringLiteral("sAlert")), QStringLiteral("0"));
        QCOMPARE(valueOf(body, QStringLiteral("sAlertStatus")), QStringLiteral("0"));
        QCOMPARE(valueOf(body, QStringLiteral("sDisable")), QStringLiteral("1"));
        QCOMPARE(state.Dir[3], QStringLiteral("C:\\my data & more=+%_x")); // the record keeps its blanks
    }
};

QTEST_GUILESS_MAIN(TestReportFormat)
#include "TestReportFormat.moc"
