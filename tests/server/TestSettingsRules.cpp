// The rules an operator's settings change must pass, and the folder states the console shows.
#include "domain/FolderState.h"
#include "domain/SettingsRules.h"
#include "domain/Silence.h"
#include "WireFormat.h"

#include <QtTest>

using namespace server;

class TestSettingsRules : public QObject {
    Q_OBJECT
    const QDateTime now{QDate(2026, 12, 5), QTime(15, 0, 0)};

    SettingsRecord current() const {
        QStringList pieces = SettingsRecord::defaults(now).pieces();
        pieces[6] = "C:\\in"; // Dir1
        pieces[16] = "10";    // Alert1
        return SettingsRecord(pieces);
    }

private slots:
    // The empty reason means taken, with the stored form beside it.
    void eachSettingAsTheAgentReadsIt_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<bool>("taken");
        const auto row = [](const char* label, const char* name, const QString& text, const QString& stored,
                            bool taken) { QTest::newRow(label) << QString(name) << text << stored << taken; };
        row("interval", "SettingTime", " 15 ", "15", true);
        row("interval zero", "SettingTime", "0", "0", true);
        row("interval at the 16-bit edge", "SettingTime", "32766", "32766", true);
        row("interval past it", "SettingTime", "32767", "", false);
        row("interval fraction", "SettingTime", "1.5", "", false);
        row("interval empty", "SettingTime", "", "", false);
        row("interval words", "SettingTime", "ten", "", false);
        row("reboot hours", "AutoRebootTime", "24", "24", true);
        row("reboot hours negative", "AutoRebootTime", "-1", "", false);
        row("limit", "Alert3", "0099", "99", true);
        row("limit empty", "Alert3", "", "", true);
        row("limit zero", "Alert3", "0", "", false);
        row("limit above 9999", "Alert10", "10000", "", false);
        row("limit with a fraction", "Alert1", "9.5", "", false);
        row("update date ISO", "CheckUpdate", "2026-12-24 03:00", "2026-12-24 03:00:00", true);
        row("update date T", "CheckUpdate", "2026-12-24T03:00:07", "2026-12-24 03:00:07", true);
        row("update date alone", "CheckUpdate", "2026-12-24", "2026-12-24 00:00:00", true);
        row("update date agent form", "CheckUpdate", "12/24/2026 3:00:00 PM", "2026-12-24 15:00:00", true);
        row("update date empty", "CheckUpdate", "", "", false);
        row("update date 30 February", "CheckUpdate", "2026-02-30", "", false);
        row("update date day first", "CheckUpdate", "24/12/2026", "", false);
        row("scheduled reboot empty", "RebootTime", "", "", true);
        row("one-time reboot ahead", "ManualReboot", "2026-12-05 15:30", "2026-12-05 15:30:00", true);
        row("one-time reboot passed", "ManualReboot", "2026-12-05 14:59", "", false);
        row("one-time reboot none", "ManualReboot", "", "", true);
        row("disable word", "Disable", "TRUE", "1", true);
        row("disable minus one", "Disable", "-1", "1", true);
        row("disable off", "Disable", "false", "0", true);
        row("disable empty", "Disable", "", "", false);
        row("folder", "Dir2", "D:\\Data, 2026", "", false);
        row("folder comma alone", "Dir2", "D:\\a,b c", "D:\\a,b c", true);
        row("folder line break", "Dir2", "D:\\a\nb", "", false);
        row("folder too long", "Dir2", QString(1025, 'x'), "", false);
        row("log flag", "LogFlag", "anything", "anything", true);
    }
    void eachSettingAsTheAgentReadsIt() {
        QFETCH(QString, name);
        QFETCH(QString, text);
        QFETCH(QString, stored);
        QFETCH(bool, taken);
        const auto check = checkSetting(name, text, now);
        QCOMPARE(check.ok(), taken);
        QCOMPARE(check.reason().isEmpty(), taken);
        if (taken)
            QCOMPARE(*check, stored);
    }

    void changeIsAllOrNothing_data() {
        QTest::addColumn<QJsonObject>("change");
        QTest::addColumn<QStringList>("changed");
        QTest::addColumn<QStringList>("refused");
        QTest::newRow("one limit") << QJsonObject{{"Alert1", "20"}} << QStringList{"Alert1"} << QStringList{};
        QTest::newRow("numbers as JSON numbers") << QJsonObject{{"Alert1", 20}, {"SettingTime", 5}}
                                                 << QStringList{"Alert1", "SettingTime"} << QStringList{};
        QTest::newRow("same value changes nothing")
            << QJsonObject{{"Alert1", "10"}} << QStringList{} << QStringList{};
        QTest::newRow("unknown and bad keys")
            << QJsonObject{{"Alert1", "20"}, {"Colour", "red"}, {"SettingTime", "x"}} << QStringList{}
            << QStringList{"Colour", "SettingTime"};
        QTest::newRow("folder without a limit")
            << QJsonObject{{"Dir2", "C:\\out"}} << QStringList{} << QStringList{"Alert2"};
        QTest::newRow("removing a limit of a folder in use")
            << QJsonObject{{"Alert1", ""}} << QStringList{} << QStringList{"Alert1"};
        QTest::newRow("folder and limit together") << QJsonObject{{"Dir2", "C:\\out"}, {"Alert2", "5"}}
                                                   << QStringList{"Alert2", "Dir2"} << QStringList{};
        QTest::newRow("freeing a slot")
            << QJsonObject{{"Dir1", ""}, {"Alert1", ""}} << QStringList{"Alert1", "Dir1"} << QStringList{};
        QTest::newRow("object value")
            << QJsonObject{{"Dir3", QJsonObject{}}} << QStringList{} << QStringList{"Dir3"};
        QJsonObject huge;
        for (int slot = 1; slot <= 10; ++slot) {
            huge.insert(QStringLiteral("Dir%1").arg(slot), QString(1024, QChar(0x20AC)));
            huge.insert(QStringLiteral("Alert%1").arg(slot), "5");
        }
        huge.insert("LogFlag", QString(1024, QChar(0x20AC)));
        QTest::newRow("reply would pass the agent's read bound")
            << huge << QStringList{} << QStringList{"settings"};
    }
    void changeIsAllOrNothing() {
        QFETCH(QJsonObject, change);
        QFETCH(QStringList, changed);
        QFETCH(QStringList, refused);
        const SettingsChange result = applySettingsChange(current(), change, now);
        QCOMPARE(QStringList(result.reasons.keys()), refused);
        QCOMPARE(result.settings.has_value(), refused.isEmpty());
        QStringList sorted = result.changed;
        sorted.sort();
        QCOMPARE(sorted, changed);
    }

    // Three cycles of (SettingTime + 1) x 36 s, never under ten minutes; an interval the agent cannot use
    // makes it cycle on every tick.
    void silence_data() {
        QTest::addColumn<QString>("settingTime");
        QTest::addColumn<qint64>("silentAfter");
        QTest::newRow("default ten") << "10" << qint64(3 * 11 * 36);
        QTest::newRow("short interval floors at ten minutes") << "1" << qint64(600);
        QTest::newRow("blanks around") << " 100 " << qint64(3 * 101 * 36);
        QTest::newRow("largest") << "32766" << qint64(3 * 32767 * 36);
        QTest::newRow("too large for the agent") << "32767" << qint64(600);
        QTest::newRow("not whole") << "10x" << qint64(600);
        QTest::newRow("empty") << "" << qint64(600);
    }
    void silence() {
        QFETCH(QString, settingTime);
        QFETCH(qint64, silentAfter);
        QCOMPARE(silentAfterSeconds(settingTime), silentAfter);
        QVERIFY(!isSilent(now.addSecs(-silentAfter + 1), settingTime, now));
        QVERIFY(isSilent(now.addSecs(-silentAfter), settingTime, now));
        QVERIFY(isSilent(QDateTime(), settingTime, now));
    }

    void folderStates_data() {
        QTest::addColumn<QString>("count");
        QTest::addColumn<QString>("limit");
        QTest::addColumn<QString>("state");
        QTest::newRow("at the limit") << "10"
                                      << "10"
                                      << "yellow";
        QTest::newRow("one over") << "11"
                                  << "10"
                                  << "red";
        QTest::newRow("75 percent") << "75"
                                    << "100"
                                    << "green";
        QTest::newRow("76 percent") << "76"
                                    << "100"
                                    << "yellow";
        QTest::newRow("fraction limit rounds down") << "10"
                                                    << "9.9"
                                                    << "red";
        QTest::newRow("limit no number") << "0"
                                         << "lots"
                                         << "red";
        QTest::newRow("zero limit, no files") << "0"
                                              << "0"
                                              << "green";
        QTest::newRow("never counted") << ""
                                       << "10"
                                       << "green";
    }
    void folderStates() {
        QFETCH(QString, count);
        QFETCH(QString, limit);
        QFETCH(QString, state);
        QCOMPARE(folderStateText(folderState(count, limit)), state);
    }
};

QTEST_GUILESS_MAIN(TestSettingsRules)
#include "TestSettingsRules.moc"
