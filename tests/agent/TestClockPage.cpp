#include "modules/ClockPage.h"

#include <QTest>

namespace {

const QString kStamp = "12/5/2026,   3:04:05 AM";

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

    // Each row: the page, then the date and time texts cut out of it and the date-time they state.
    void readsThePage() {
        const QString asStamped = "12/5/2026 | 3:04:05 AM | 2026-12-05T03:04:05";
        const QList<QStringList> rows = {
            {page(kStamp + "     <BR>more"), asStamped}, // spaces trimmed, nothing else
            {page("   " + kStamp), asStamped},
            {page("\n" + kStamp), "\n" + asStamped}, // a line break stays
            {pageAtTheLimit(0), asStamped},          // the window ends at the 32,000th character
            {pageAtTheLimit(6), "12/5/2026 | 3:04:05 A | unread"}, // the limit cuts the window
            {page("12/5/2026,   3:04:05 PM"), "12/5/2026 | 3:04:05 PM | 2026-12-05T15:04:05"},
            {page("12/5/2026,   15:04:05"), "12/5/2026 | 15:04:05 | 2026-12-05T15:04:05"},
            {page("13/5/2026,   3:04:05 AM"), "13/5/2026 | 3:04:05 AM | unread"},
            {"Current time<BR>" + kStamp, "not cut"},                               // no second mark
            {page("12/5/2026, 3:04:05 AM"), "not cut"},                             // no ",   "
            {page(QString(23, '1') + ",   x"), QString(23, '1') + " | x | unread"}, // ",   x" ends the 28
            {page(QString(26, ' ') + "x" + kStamp), "not cut"}, // ",   " beyond the 28 characters
            {QString(32000, 'x') + page(kStamp), "not cut"},    // the marks lie beyond the limit
        };
        QStringList read, expected;
        for (const QStringList& row : rows) {
            const std::optional<mdlGeneral::ClockPage> cut = mdlGeneral::cutTimePage(row[0]);
            const std::optional<QDateTime> stated = mdlGeneral::readClockPage(row[0]);
            const QString when = stated ? stated->toString(Qt::ISODate) : "unread";
            read << (cut ? cut->dateText + " | " + cut->timeText + " | " + when : "not cut");
            expected << row[1];
        }
        QCOMPARE(read, expected);
    }
};

QTEST_GUILESS_MAIN(TestClockPage)
#include "TestClockPage.moc"
