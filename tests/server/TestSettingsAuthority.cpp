// What a keyed report may change of its computer's settings.
#include "domain/SettingsAuthority.h"
#include "WireFormat.h"

#include <QtTest>

namespace {

using server::SettingsRecord;

const QDateTime kNow(QDate(2026, 12, 5), QTime(15, 0, 0));
const QString kKept = QStringLiteral("(the server's value)");

// The server's settings: a reboot and an update scheduled, a manual reboot pending, one folder watched.
SettingsRecord serverSettings() {
    QStringList pieces(wire::kSettingsPieceCount);
    pieces[0] = "0";
    pieces[1] = "10";
    pieces[2] = "0";
    pieces[3] = "2026-12-06 09:00:00";
    pieces[4] = "7";
    pieces[5] = "2026-12-08 03:00:00";
    pieces[6] = "C:\\in";
    pieces[16] = "100";
    pieces[26] = "0";
    pieces[27] = "2026-12-10 12:00:00";
    return SettingsRecord(pieces);
}

int pieceOf(const QString& key) {
    return wire::settingsReportKeys().indexOf(key);
}

// A report carrying the server's settings with `changed` over them, stamped by the agent's clock.
server::StatusReport reportWith(const QHash<QString, QString>& changed, const QString& clockStamp = {}) {
    QStringList values;
    for (const QString& key : wire::reportKeys()) {
        const int piece = pieceOf(key);
        const QString value = piece >= 0 ? serverSettings().pieces().at(piece) : QString();
        values << changed.value(key, key == "sLogTime" ? clockStamp : value);
    }
    return server::StatusReport(values);
}

server::SettingsMerge merged(const QHash<QString, QString>& changed, const QString& clockStamp = {},
                             const QSet<QString>& held = {}) {
    return server::mergeReportedSettings(serverSettings(), reportWith(changed, clockStamp), held, kNow);
}

} // namespace

class TestSettingsAuthority : public QObject {
    Q_OBJECT

private slots:
    // stored: what the server keeps, in the console's form.
    void reportChangesOnlyWhatAnAgentChanges_data() {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("reported");
        QTest::addColumn<QString>("stored");
        const auto row = [](const char* name, const char* key, const QString& value, const QString& stored) {
            QTest::newRow(name) << QString(key) << value << stored;
        };
        row("folder edited", "sDir1", "D:\\out", "D:\\out");
        row("folder freed", "sDir1", "", "");
        row("limit edited", "sAlert1", "50", "50");
        row("limit as the console writes it", "sAlert1", " 050", "50");
        row("limit no number", "sAlert1", "abc", kKept);
        row("limit too high", "sAlert1", "999999", kKept);
        row("limit emptied under a watched folder", "sAlert1", "", kKept);
        row("folder added without a limit", "sDir10", "E:\\new", kKept);
        row("folder that would split the reply", "sDir2", "C:\\a, b", kKept);
        row("reboot moved later, month first", "sRebootTime", "12/13/2026 3:00:00 AM", "2026-12-13 03:00:00");
        row("reboot moved later, day first", "sRebootTime", "13/12/2026 03:00:00", "2026-12-13 03:00:00");
        row("reboot moved later, dotted", "sRebootTime", "13.12.2026", "2026-12-13 00:00:00");
        row("reboot moved earlier", "sRebootTime", "12/5/2026 3:00:00 AM", kKept);
        row("reboot emptied", "sRebootTime", "", kKept);
        row("reboot unreadable", "sRebootTime", "soon", kKept);
        row("manual reboot emptied", "sManualReboot", "", "");
        row("manual reboot set", "sManualReboot", "12/6/2026 8:00:00 AM", kKept);
        row("update moved later", "sCheckUpdate", "12/11/2026", kKept); // 12 November or 11 December
        row("update moved later, unmistakably", "sCheckUpdate", "12/31/2026", "2026-12-31 00:00:00");
        row("update moved earlier", "sCheckUpdate", "1/1/2020", kKept);
        for (const char* key : {"sLogFlag", "sSettingTime", "sSnoozeTime", "sAutoRebootTime", "sDisable"})
            row(key, key, "1440", kKept);
    }
    void reportChangesOnlyWhatAnAgentChanges() {
        QFETCH(QString, key);
        QFETCH(QString, reported);
        QFETCH(QString, stored);
        const auto merge = merged({{key, reported}});
        QStringList expected = serverSettings().pieces();
        if (stored != kKept)
            expected[pieceOf(key)] = stored;
        QCOMPARE(merge.settings.pieces(), expected);
        QCOMPARE(merge.refused.keys(), stored == kKept ? QStringList{key} : QStringList());
    }

    // The agent's clock stamp tells its date order; without one, a date that reads two ways is refused.
    void datesAreReadInTheAgentsOrder_data() {
        QTest::addColumn<QString>("clockStamp");
        QTest::addColumn<QString>("reported");
        QTest::addColumn<QString>("stored");
        QTest::newRow("day first: 12 September is earlier") << "5/12/2026 15:00:00"
                                                            << "12/9/2026" << kKept;
        QTest::newRow("month first: 9 December") << "12/5/2026 3:00:00 PM"
                                                 << "12/9/2026"
                                                 << "2026-12-09 00:00:00";
        QTest::newRow("day first: 9 December") << "5/12/2026 15:00:00"
                                               << "9/12/2026 03:00:00"
                                               << "2026-12-09 03:00:00";
        QTest::newRow("order unknown: ambiguous") << ""
                                                  << "12/9/2026" << kKept;
        QTest::newRow("clock stamp reads both ways") << "5/5/2026 15:00:00"
                                                     << "12/9/2026" << kKept;
        QTest::newRow("ISO whatever the order") << "5/12/2026 15:00:00"
                                                << "2026-12-09 03:00"
                                                << "2026-12-09 03:00:00";
    }
    void datesAreReadInTheAgentsOrder() {
        QFETCH(QString, clockStamp);
        QFETCH(QString, reported);
        QFETCH(QString, stored);
        const auto merge = merged({{"sRebootTime", reported}}, clockStamp);
        const QString server = serverSettings().pieces().at(pieceOf("sRebootTime"));
        QCOMPARE(merge.settings.pieces().at(pieceOf("sRebootTime")), stored == kKept ? server : stored);
        QCOMPARE(merge.refused.contains("sRebootTime"), stored == kKept);
    }

    // What was taken is listed for the audit, old and new value, beside what was refused.
    void changesTakenAreListedForTheAudit() {
        const auto merge = merged({{"sDir1", "D:\\out"}, {"sAlert1", "abc"}, {"sSettingTime", "1"}});
        QCOMPARE(merge.changes.size(), 1);
        QCOMPARE(merge.changes[0].name, "Dir1");
        QCOMPARE(merge.changes[0].oldValue, "C:\\in");
        QCOMPARE(merge.changes[0].newValue, "D:\\out");
        QCOMPARE(merge.refused.keys(), (QStringList{"sAlert1", "sSettingTime"}));
        QVERIFY(merge.refused["sAlert1"].contains("1 to 9999"));
    }

    // A report built on settings from before an operator's change does not undo it.
    void operatorsLaterChangeStands() {
        const auto merge =
            merged({{"sDir1", "D:\\old"}, {"sDir2", "D:\\new"}, {"sAlert2", "5"}}, {}, {"Dir1"});
        QCOMPARE(merge.settings.pieces().at(pieceOf("sDir1")), "C:\\in");
        QCOMPARE(merge.settings.pieces().at(pieceOf("sDir2")), "D:\\new");
        QVERIFY(merge.refused["sDir1"].contains("operator"));
    }
};

QTEST_GUILESS_MAIN(TestSettingsAuthority)
#include "TestSettingsAuthority.moc"
