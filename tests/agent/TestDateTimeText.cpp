#include "modules/DateTimeText.h"

#include <QTest>

class TestDateTimeText : public QObject {
    Q_OBJECT

    const QLocale us{QLocale::English, QLocale::UnitedStates};

private slots:
    void writesAndReadsBack_data() {
        QTest::addColumn<QDateTime>("value");
        QTest::addColumn<QString>("text");
        const auto row = [](const char* name, QDate date, QTime time, const QString& text) {
            QTest::newRow(name) << QDateTime(date, time) << text;
        };
        row("morning", QDate(2026, 12, 5), QTime(3, 0), "12/5/2026 3:00:00 AM");
        row("midnight is the bare date", QDate(2026, 12, 6), QTime(0, 0), "12/6/2026");
        row("one second past midnight", QDate(2026, 12, 6), QTime(0, 0, 1), "12/6/2026 12:00:01 AM");
        row("noon", QDate(2026, 1, 9), QTime(12, 0), "1/9/2026 12:00:00 PM");
        row("before midnight", QDate(2026, 12, 31), QTime(23, 59, 59), "12/31/2026 11:59:59 PM");
    }
    void writesAndReadsBack() {
        QFETCH(QDateTime, value);
        QFETCH(QString, text);
        QCOMPARE(formatGeneralDateTime(value, us), text);
        QCOMPARE(formatGeneralDateTime(value, QLocale::c()), text);
        QCOMPARE(parseGeneralDateTime(text, us), value);
    }

    void readsWhatOperatorsWrite() {
        QStringList read;
        for (const char* text :
             {"2026-12-06 03:00:00", "2026-12-06T03:00:00", "2026-12-06", " 12/5/2026 3:00:00 PM ", "",
              "tomorrow", "13/5/2026 3:00:00 AM", "12/6/2026 3:00:00 AM 3:00:00 AM", "2026-13-06 03:00:00"}) {
            const std::optional<QDateTime> value = parseGeneralDateTime(text, us);
            read << (value ? value->toString(Qt::ISODate) : "rejected");
        }
        QCOMPARE(read, (QStringList{"2026-12-06T03:00:00", "2026-12-06T03:00:00", "2026-12-06T00:00:00",
                                    "2026-12-05T15:00:00", "rejected", "rejected", "rejected", "rejected",
                                    "rejected"}));
    }

    void otherLocalesRoundTripWithFourDigitYears() {
        const QLocale german(QLocale::German, QLocale::Germany);
        const QDateTime value(QDate(2026, 12, 5), QTime(15, 4, 5));
        QCOMPARE(parseGeneralDateTime(formatGeneralDateTime(value, german), german), value);
        QCOMPARE(formatGeneralDateTime(QDateTime(QDate(2026, 12, 5), QTime(0, 0)), german), "05.12.2026");
    }
};

QTEST_GUILESS_MAIN(TestDateTimeText)
#include "TestDateTimeText.moc"
