#include "modules/DateTimeText.h"

#include <QTest>

class TestDateTimeText : public QObject {
    Q_OBJECT

    const QLocale us{QLocale::English, QLocale::UnitedStates};

private slots:
    void formatsUnitedStatesForm_data() {
        QTest::addColumn<QDateTime>("value");
        QTest::addColumn<QString>("text");
        QTest::newRow("morning") << QDateTime(QDate(2026, 12, 5), QTime(3, 0)) << "12/5/2026 3:00:00 AM";
        QTest::newRow("midnight is the bare date")
            << QDateTime(QDate(2026, 12, 6), QTime(0, 0)) << "12/6/2026";
        QTest::newRow("one second past midnight")
            << QDateTime(QDate(2026, 12, 6), QTime(0, 0, 1)) << "12/6/2026 12:00:01 AM";
        QTest::newRow("noon") << QDateTime(QDate(2026, 1, 9), QTime(12, 0)) << "1/9/2026 12:00:00 PM";
        QTest::newRow("before midnight")
            << QDateTime(QDate(2026, 12, 31), QTime(23, 59, 59)) << "12/31/2026 11:59:59 PM";
    }
    void formatsUnitedStatesForm() {
        QFETCH(QDateTime, value);
        QFETCH(QString, text);
        QCOMPARE(formatGeneralDateTime(value, us), text);
        QCOMPARE(formatGeneralDateTime(value, QLocale::c()), text);
        QCOMPARE(parseGeneralDateTime(text, us), value);
    }

    void readsOperatorWrittenForms_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QDateTime>("value");
        QTest::newRow("ISO with blank")
            << "2026-12-06 03:00:00" << QDateTime(QDate(2026, 12, 6), QTime(3, 0));
        QTest::newRow("ISO with T") << "2026-12-06T03:00:00" << QDateTime(QDate(2026, 12, 6), QTime(3, 0));
        QTest::newRow("ISO date") << "2026-12-06" << QDateTime(QDate(2026, 12, 6), QTime(0, 0));
        QTest::newRow("surrounding blanks")
            << " 12/5/2026 3:00:00 PM " << QDateTime(QDate(2026, 12, 5), QTime(15, 0));
    }
    void readsOperatorWrittenForms() {
        QFETCH(QString, text);
        QFETCH(QDateTime, value);
        QCOMPARE(parseGeneralDateTime(text, us), value);
    }

    void rejectsWhatIsNotADateTime_data() {
        QTest::addColumn<QString>("text");
        QTest::newRow("empty") << "";
        QTest::newRow("word") << "tomorrow";
        QTest::newRow("month 13") << "13/5/2026 3:00:00 AM";
        QTest::newRow("two times") << "12/6/2026 3:00:00 AM 3:00:00 AM";
        QTest::newRow("ISO month 13") << "2026-13-06 03:00:00";
    }
    void rejectsWhatIsNotADateTime() {
        QFETCH(QString, text);
        QVERIFY(!parseGeneralDateTime(text, us).has_value());
    }

    void otherLocalesRoundTripWithFourDigitYears() {
        const QLocale german(QLocale::German, QLocale::Germany);
        const QDateTime value(QDate(2026, 12, 5), QTime(15, 4, 5));
        const QString text = formatGeneralDateTime(value, german);
        QVERIFY2(text.contains(QStringLiteral("2026")), qPrintable(text));
        QCOMPARE(parseGeneralDateTime(text, german), value);
        QCOMPARE(formatGeneralDateTime(QDateTime(QDate(2026, 12, 5), QTime(0, 0)), german),
                 QStringLiteral("05.12.2026"));
    }
};

QTEST_GUILESS_MAIN(TestDateTimeText)
#include "TestDateTimeText.moc"
