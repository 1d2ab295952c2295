#include "modules/LocalDateTime.h"

#include <QTest>

class TestDateTimeText : public QObject {
    Q_OBJECT

    const QLocale us{QLocale::English, QLocale::UnitedStates};

private slots:
    // Written the same in the United States form and with the C locale, and read back.
    void writesAndReadsBack() {
        QStringList written;
        for (const QTime& time :
             {QTime(3, 0), QTime(0, 0), QTime(0, 0, 1), QTime(12, 0), QTime(23, 59, 59)}) {
            const QDateTime value(QDate(2026, 12, 6), time);
            written << formatGeneralDateTime(value, us);
            QCOMPARE(formatGeneralDateTime(value, QLocale::c()), written.last());
            QCOMPARE(parseGeneralDateTime(written.last(), us), value);
        }
        QCOMPARE(written, (QStringList{"12/6/2026 3:00:00 AM", "12/6/2026", "12/6/2026 12:00:01 AM",
                                       "12/6/2026 12:00:00 PM", "12/6/2026 11:59:59 PM"}));
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

    // What a person on the machine writes, as the machine's locale has it.
    void readsTheWaysPeopleWrite_data() {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("read"); // ISO 8601, or "rejected"
        const QLocale german(QLocale::German, QLocale::Germany);
        const QLocale british(QLocale::English, QLocale::UnitedKingdom);
        const auto row = [](const char* name, const QLocale& locale, const char* text, const char* read) {
            QTest::newRow(name) << locale << QString(text) << QString(read);
        };
        row("12 h without seconds", us, "12/31/2099 3:00 AM", "2099-12-31T03:00:00");
        row("24 h with seconds", us, "12/31/2099 15:04:05", "2099-12-31T15:04:05");
        row("24 h without seconds", us, "12/31/2099 15:04", "2099-12-31T15:04:00");
        row("leading zeros", us, "01/05/2026 03:00:00 PM", "2026-01-05T15:00:00");
        row("two-digit year, this century", us, "12/31/49 3:00 AM", "2049-12-31T03:00:00");
        row("two-digit year, last century", us, "1/5/50", "1950-01-05T00:00:00");
        row("ISO without seconds", us, "2026-12-06T03:00", "2026-12-06T03:00:00");
        row("13 o'clock is no 12 h time", us, "12/31/2099 13:00 PM", "rejected");
        row("German with seconds", german, "31.12.2099 15:04:05", "2099-12-31T15:04:05");
        row("German without seconds", german, "31.12.2099 15:04", "2099-12-31T15:04:00");
        row("German 12 h", german, "31.12.2099 3:04 PM", "2099-12-31T15:04:00");
        row("German two-digit year", german, "31.12.26", "2026-12-31T00:00:00");
        row("British day first", british, "31/12/2099 03:00", "2099-12-31T03:00:00");
        row("British month 13", british, "12/13/2099 03:00", "rejected");
    }
    void readsTheWaysPeopleWrite() {
        QFETCH(QLocale, locale);
        QFETCH(QString, text);
        QFETCH(QString, read);
        const std::optional<QDateTime> value = parseGeneralDateTime(text, locale);
        QCOMPARE(value ? value->toString(Qt::ISODate) : "rejected", read);
    }

    // Written to the second: half a second past midnight is midnight, which is the bare date.
    void midnightToTheSecond() {
        QCOMPARE(formatGeneralDateTime(QDateTime(QDate(2026, 12, 6), QTime(0, 0, 0, 500)), us), "12/6/2026");
        QCOMPARE(formatGeneralDateTime(QDateTime(QDate(2026, 12, 6), QTime(0, 0, 1)), us),
                 "12/6/2026 12:00:01 AM");
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
