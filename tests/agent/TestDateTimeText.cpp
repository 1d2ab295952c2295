#include "modules/DateTimeText.h"

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

    void otherLocalesRoundTripWithFourDigitYears() {
        const QLocale german(QLocale::German, QLocale::Germany);
        const QDateTime value(QDate(2026, 12, 5), QTime(15, 4, 5));
        QCOMPARE(parseGeneralDateTime(formatGeneralDateTime(value, german), german), value);
        QCOMPARE(formatGeneralDateTime(QDateTime(QDate(2026, 12, 5), QTime(0, 0)), german), "05.12.2026");
    }
};

QTEST_GUILESS_MAIN(TestDateTimeText)
#include "TestDateTimeText.moc"
