#include "modules/LogLines.h"
#include "modules/ServiceView.h"
#include "modules/StatusLog.h"

#include <QTest>

class TestServiceView : public QObject {
    Q_OBJECT

    QStringList written;
    ServiceView view{[this](const QString& line) { written << line; }};

private slots:
    void init() { written.clear(); }

    // Each step changes the log the way the agent does: "+" appends a message, "~" appends without a line
    // break, "=" replaces the whole text, "0" empties it. Every message reaches the output once, as a line.
    void logMessagesBecomeLines_data() {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("appended") << QStringList{"+Download successful.", "+Transmission successful! (1)"}
                                  << QStringList{"Download successful.", "Transmission successful! (1)"};
        QTest::newRow("emptied at a cycle start") << QStringList{"+first cycle", "0", "+second cycle"}
                                                  << QStringList{"first cycle", "second cycle"};
        QTest::newRow("no line break, then more on that line")
            << QStringList{"~NO INTERNET CONNECTION.  WILL RETRY.", "+Reboot requested."}
            << QStringList{"NO INTERNET CONNECTION.  WILL RETRY.", "Reboot requested."};
        QTest::newRow("replaced whole")
            << QStringList{"+old", "=Loading...", "+next"} << QStringList{"old", "Loading...", "next"};
        QTest::newRow("message of two lines") << QStringList{"+one\r\ntwo"} << QStringList{"one", "two"};
        QTest::newRow("blank message") << QStringList{"+", "+  ", "+after"} << QStringList{"after"};
    }
    void logMessagesBecomeLines() {
        QFETCH(QStringList, steps);
        QFETCH(QStringList, lines);
        StatusLog log;
        log.onChange = [this](const QString& text) { view.showLog(text); };
        for (const QString& step : steps) {
            const QString text = step.mid(1);
            switch (step.at(0).toLatin1()) {
            case '+':
                log.append(text);
                break;
            case '~':
                log.appendRaw(text);
                break;
            case '=':
                log.setText(text);
                break;
            default:
                log.clear();
            }
        }
        QCOMPARE(written, lines);
    }

    void controlCharactersShownEscaped_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("shown");
        QTest::newRow("plain, with a Windows path") << "C:\\Data\\in é"
                                                    << "C:\\Data\\in é";
        QTest::newRow("line breaks") << "a\r\nb\nc"
                                     << "a\\r\\nb\\nc";
        QTest::newRow("tab and escape sequence") << "\t\x1b[2J"
                                                 << "\\t\\x{1b}[2J";
        QTest::newRow("delete and C1 controls") << QString("a\x7f") + QChar(0x85) << "a\\x{7f}\\x{85}";
        QTest::newRow("Unicode line separators")
            << QString(QChar(0x2028)) + QChar(0x2029) << "\\x{2028}\\x{2029}";
    }
    // What the server or the file system names is shown on one line, whatever it holds.
    void controlCharactersShownEscaped() {
        QFETCH(QString, text);
        QFETCH(QString, shown);
        QCOMPARE(escapeControlCharacters(text), shown);
        StatusLog log;
        log.onChange = [this](const QString& whole) { view.showLog(whole); };
        log.append(escapeControlCharacters(text));
        QCOMPARE(written, QStringList{shown});
    }

    // Nobody can answer a box: it is written out and a question gets No.
    void boxesBecomeLines() {
        const platform::ScopedFake<platform::MessageBox> boxes(view);
        QVERIFY(!platform::MessageBox::askYesNo("Reboot now?", "Confirm"));
        platform::MessageBox::inform("Cannot read kova.ini.", platform::MessageBox::kApplicationTitle,
                                     platform::BoxIcon::Critical);
        QCOMPARE(written, (QStringList{"Confirm: Reboot now? (answered No: a service cannot ask)",
                                       "KOVA Oru Web: Cannot read kova.ini."}));
    }

    void noNameEndsTheRunWithItsOwnCode() {
        QCOMPARE(view.runFirstRunSetup(), std::optional<int>(ServiceView::kNoNameExitCode));
        QCOMPARE(written.size(), 1);
        QVERIFY2(written.first().contains("kova.ini is missing or empty"), qPrintable(written.first()));
    }
};

QTEST_GUILESS_MAIN(TestServiceView)
#include "TestServiceView.moc"
