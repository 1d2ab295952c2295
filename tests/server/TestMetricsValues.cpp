// The metrics page reads report values from their bytes and writes numbers its own way; both must give
// exactly what the rules on text and Qt's own number formatting give, whatever an agent sends.
#include "alerting/ShortestNumber.h"
#include "domain/DiskSpace.h"
#include "domain/FolderState.h"
#include "domain/ReportBytes.h"
#include "domain/Silence.h"
#include "ScanErrorLine.h"

#include <cmath>
#include <limits>
#include <QLocale>
#include <QTest>

using namespace server;

class TestMetricsValues : public QObject {
    Q_OBJECT

private slots:
    void numbersAsQtWritesThem_data() {
        QTest::addColumn<double>("value");
        QTest::newRow("zero") << 0.0;
        QTest::newRow("negative zero") << -0.0;
        QTest::newRow("NaN") << std::nan("");
        QTest::newRow("a flag") << 1.0;
        QTest::newRow("last plain whole number") << 99999.0;
        QTest::newRow("first exponent whole number") << 100000.0;
        QTest::newRow("ties go plain") << 10000.0;
        QTest::newRow("free bytes") << 1234560000.0;
        QTest::newRow("report time") << 1796650000.123;
        QTest::newRow("beyond exact integers") << 588809929377317632.0;
        QTest::newRow("largest double") << std::numeric_limits<double>::max();
        QTest::newRow("smallest subnormal") << std::numeric_limits<double>::denorm_min();
        QTest::newRow("small fraction") << 0.0001;
        QTest::newRow("negative fraction") << -0.00015;
        QTest::newRow("negative large") << -6543210000.0;
    }
    void numbersAsQtWritesThem() {
        QFETCH(double, value);
        QByteArray written;
        metrics::appendShortest(written, value);
        QCOMPARE(written, QByteArray::number(value, 'g', QLocale::FloatingPointShortest));
    }

    void valuesAsTheTextRulesRead_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("digits") << QByteArray("150");
        QTest::newRow("zero") << QByteArray("0");
        QTest::newRow("zeros") << QByteArray("00");
        QTest::newRow("zero with a point") << QByteArray("0.0");
        QTest::newRow("spaced") << QByteArray(" 12 ");
        QTest::newRow("only space") << QByteArray("  ");
        QTest::newRow("comma decimal") << QByteArray("1,5");
        QTest::newRow("point decimal") << QByteArray("1.5");
        QTest::newRow("NaN") << QByteArray("nan");
        QTest::newRow("NaN in capitals") << QByteArray("NaN");
        QTest::newRow("infinity") << QByteArray("inf");
        QTest::newRow("negative") << QByteArray("-3");
        QTest::newRow("exponent") << QByteArray("1e3");
        QTest::newRow("largest plain digits") << QByteArray("999999999999999");
        QTest::newRow("more digits than exact") << QByteArray("99999999999999999999");
        QTest::newRow("beyond int") << QByteArray("4294967296");
        QTest::newRow("path") << QByteArray("C:\\Data\\spool 1");
        QTest::newRow("no-break space") << QByteArray("\xc2\xa0");
        QTest::newRow("full-width digit") << QByteArray("\xef\xbc\x91");
        QTest::newRow("broken UTF-8") << QByteArray("\xff 1");
    }
    void valuesAsTheTextRulesRead() {
        QFETCH(QByteArray, text);
        const QString decoded = QString::fromUtf8(text);
        QCOMPARE(reportBytes::folderInUse(text), folderInUse(decoded));
        QCOMPARE(reportBytes::silentAfterSeconds(text), silentAfterSeconds(decoded));
        const auto fromBytes = reportBytes::reportedFreeBytes(text);
        const auto fromText = reportedFreeBytes(decoded);
        QCOMPARE(fromBytes.has_value(), fromText.has_value());
        if (fromBytes && !std::isnan(*fromBytes))
            QCOMPARE(*fromBytes, *fromText);
        for (const QByteArray& other : {QByteArray("100"), QByteArray("0"), QByteArray(" 7")}) {
            QCOMPARE(reportBytes::folderCondition("D:\\In", text, other, {}),
                     folderCondition("D:\\In", decoded, QString::fromUtf8(other), {}));
            QCOMPARE(reportBytes::folderCondition("D:\\In", other, text, {}),
                     folderCondition("D:\\In", QString::fromUtf8(other), decoded, {}));
        }
    }

    void scanErrorsFoundInTheMessage_data() {
        QTest::addColumn<QByteArray>("message");
        QTest::addColumn<bool>("scanError");
        const QByteArray line = wire::scanErrorLine("D:\\In \"x\"").toUtf8();
        QTest::newRow("no message") << QByteArray() << false;
        QTest::newRow("another message") << QByteArray("Folder over its limit.") << false;
        QTest::newRow("the folder's line") << QByteArray("Start.\r\n" + line + "\r\n") << true;
        QTest::newRow("another folder's line") << wire::scanErrorLine("D:\\Out").toUtf8() << false;
        QTest::newRow("the line amid broken UTF-8") << QByteArray("\xff" + line) << true;
    }
    void scanErrorsFoundInTheMessage() {
        QFETCH(QByteArray, message);
        QFETCH(bool, scanError);
        QCOMPARE(reportBytes::folderCondition("D:\\In \"x\"", "5", "100", message) ==
                     FolderCondition::ScanError,
                 scanError);
    }
};

QTEST_GUILESS_MAIN(TestMetricsValues)
#include "TestMetricsValues.moc"
