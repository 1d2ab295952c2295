#include "modules/ClockPage.h"
#include "platform/SystemClock.h"

#include "support/PlatformFakes.h"

#include <QTest>

namespace {

const QString kStamp = "12/5/2026,   3:04:05 AM";
const QDateTime kStated(QDate(2026, 12, 5), QTime(3, 4, 5));

QString page(const QString& afterSecondBreak) {
    return "<html><body>Current time<BR>Eastern<BR>" + afterSecondBreak;
}

// A 40,000-character page whose 28-character window after the second mark ends `shift` characters after
// the 32,000th.
QString pageAtTheLimit(int shift) {
    const QString tail = "<BR>x<BR>" + kStamp + QString(5, ' ');
    return QString(32000 - tail.size() + shift, 'x') + tail + QString(8000, 'y');
}

} // namespace

class TestClockPage : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }

    void readsThePage_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("read"); // the date and time texts cut out, and the date-time they state
        const auto row = [](const char* name, const QString& text, const QString& read) {
            QTest::newRow(name) << text << read;
        };
        const QString stated = "12/5/2026 | 3:04:05 AM | 2026-12-05T03:04:05";
        row("stamp then spaces", page(kStamp + "     <BR>more"), stated);
        row("spaces before the date", page("   " + kStamp), stated);
        row("spaces around the first part", "  <BR>   Eastern  <BR>" + kStamp, stated);
        row("line break stays in the date", page("\n" + kStamp),
            "\n12/5/2026 | 3:04:05 AM | 2026-12-05T03:04:05");
        row("window ends at the 32,000th character", pageAtTheLimit(0), stated);
        row("window cut by the 32,000 limit", pageAtTheLimit(6), "12/5/2026 | 3:04:05 A | unread");
        row("afternoon", page("12/5/2026,   3:04:05 PM"), "12/5/2026 | 3:04:05 PM | 2026-12-05T15:04:05");
        row("24-hour time", page("12/5/2026,   15:04:05"), "12/5/2026 | 15:04:05 | 2026-12-05T15:04:05");
        row("month 13", page("13/5/2026,   3:04:05 AM"), "13/5/2026 | 3:04:05 AM | unread");
        row("hour 25", page("12/5/2026,   25:04:05"), "12/5/2026 | 25:04:05 | unread");
        row("date with a time of its own", page("12/5/2026 3:00:00 AM,   3:04:05 AM"),
            "12/5/2026 3:00:00 AM | 3:04 | unread");
        row("no mark at all", "Current time " + kStamp, "not cut");
        row("no second mark", "Current time<BR>" + kStamp, "not cut");
        row("lower-case marks", "Current time<br>x<br>" + kStamp, "not cut");
        row("comma and one space", page("12/5/2026, 3:04:05 AM"), "not cut");
        row("separator outside the window", page(QString(26, ' ') + "x" + kStamp), "not cut");
        row("marks after 32,000 characters", QString(32000, 'x') + page(kStamp), "not cut");
    }
    void readsThePage() {
        QFETCH(QString, text);
        QFETCH(QString, read);
        const std::optional<mdlGeneral::ClockPage> cut = mdlGeneral::cutTimePage(text);
        const std::optional<QDateTime> stated = mdlGeneral::readClockPage(text);
        const QString readText = stated ? stated->toString(Qt::ISODate) : "unread";
        QCOMPARE(cut ? cut->dateText + " | " + cut->timeText + " | " + readText : "not cut", read);
    }

    void setsTheClockOnlyToAReadableTime() {
        FakeSystemClock clock;
        platform::ScopedFake<platform::SystemClock> fake(clock);
        mdlGeneral::applyClockPage(QString());
        mdlGeneral::applyClockPage(page("no time here"));
        clock.refuse = true; // a refusal passes without a word
        mdlGeneral::applyClockPage(page(kStamp + "   "));
        QCOMPARE(clock.received, QList<QDateTime>{kStated});
        QCOMPARE(clock.received.first().timeSpec(), Qt::LocalTime);
    }
};

QTEST_GUILESS_MAIN(TestClockPage)
#include "TestClockPage.moc"
