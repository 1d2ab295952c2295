#include "modules/ClockPage.h"
#include "platform/SystemClock.h"

#include "support/PlatformFakes.h"

#include <QTest>

using mdlGeneral::cutTimePage;
using mdlGeneral::readClockPage;

namespace {

const QString kStamp = "12/5/2026,   3:04:05 AM";
const QDateTime kStated(QDate(2026, 12, 5), QTime(3, 4, 5));

QString page(const QString& afterSecondBreak) {
    return "<html><body>Current time<BR>Eastern<BR>" + afterSecondBreak;
}

// A page whose 28-character window after the second mark ends `shift` characters after the 32,000th.
QString pageAtTheLimit(int shift) {
    const QString tail = "<BR>x<BR>" + kStamp + QString(5, ' ');
    return QString(32000 - tail.size() + shift, 'x') + tail + QString(8000, 'y');
}

} // namespace

class TestClockPage : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }

    void cuts_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("dateText");
        QTest::addColumn<QString>("timeText");
        QTest::newRow("stamp then spaces") << page(kStamp + "     <BR>more") << "12/5/2026"
                                           << "3:04:05 AM";
        QTest::newRow("spaces before the date") << page("   " + kStamp) << "12/5/2026"
                                                << "3:04:05 AM";
        QTest::newRow("line break stays in the date") << page("\n" + kStamp) << "\n12/5/2026"
                                                      << "3:04:05 AM";
        QTest::newRow("spaces around the first part") << "  <BR>   Eastern  <BR>" + kStamp << "12/5/2026"
                                                      << "3:04:05 AM";
        QTest::newRow("window ends at the 32,000th character") << pageAtTheLimit(0) << "12/5/2026"
                                                               << "3:04:05 AM";
        QTest::newRow("window cut by the 32,000 limit") << pageAtTheLimit(6) << "12/5/2026"
                                                        << "3:04:05 A";
    }
    void cuts() {
        QFETCH(QString, text);
        QFETCH(QString, dateText);
        QFETCH(QString, timeText);
        const std::optional<mdlGeneral::ClockPage> cut = cutTimePage(text);
        QVERIFY(cut.has_value());
        QCOMPARE(cut->dateText, dateText);
        QCOMPARE(cut->timeText, timeText);
    }

    void rejects_data() {
        QTest::addColumn<QString>("text");
        QTest::newRow("no mark at all") << "Current time " + kStamp;
        QTest::newRow("no second mark") << "Current time<BR>" + kStamp;
        QTest::newRow("lower-case marks") << "Current time<br>x<br>" + kStamp;
        QTest::newRow("comma and one space") << page("12/5/2026, 3:04:05 AM");
        QTest::newRow("separator outside the window") << page(QString(26, ' ') + "x" + kStamp);
        QTest::newRow("marks after 32,000 characters")
            << QString(32000, 'x') + page(kStamp) + QString(7900, ' ');
    }
    void rejects() {
        QFETCH(QString, text);
        QVERIFY(!cutTimePage(text).has_value());
    }

    void reads_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QDateTime>("stated");
        QTest::newRow("US form") << page(kStamp) << kStated;
        QTest::newRow("afternoon") << page("12/5/2026,   3:04:05 PM") << kStated.addSecs(12 * 3600);
        QTest::newRow("24-hour time") << page("12/5/2026,   15:04:05") << kStated.addSecs(12 * 3600);
        QTest::newRow("month 13") << page("13/5/2026,   3:04:05 AM") << QDateTime();
        QTest::newRow("hour 25") << page("12/5/2026,   25:04:05") << QDateTime();
        QTest::newRow("date with a time of its own")
            << page("12/5/2026 3:00:00 AM,   3:04:05 AM") << QDateTime();
        QTest::newRow("window cut inside the time") << pageAtTheLimit(6) << QDateTime();
    }
    void reads() {
        QFETCH(QString, text);
        QFETCH(QDateTime, stated);
        const std::optional<QDateTime> read = readClockPage(text);
        QCOMPARE(read.value_or(QDateTime()), stated);
    }

    void setsTheStatedTime() {
        FakeSystemClock clock;
        platform::ScopedFake<platform::SystemClock> fake(clock);
        mdlGeneral::applyClockPage(page(kStamp + "   "));
        QCOMPARE(clock.received, QList<QDateTime>{kStated});
        QCOMPARE(clock.received.first().timeSpec(), Qt::LocalTime);
    }

    void leavesTheClockAlone() {
        FakeSystemClock clock;
        platform::ScopedFake<platform::SystemClock> fake(clock);
        mdlGeneral::applyClockPage(QString());
        mdlGeneral::applyClockPage(page("no time here"));
        QVERIFY(clock.received.isEmpty());
        clock.refuse = true;
        mdlGeneral::applyClockPage(page(kStamp)); // returns quietly
        QCOMPARE(clock.received.size(), 1);
    }
};

QTEST_GUILESS_MAIN(TestClockPage)
#include "TestClockPage.moc"
