// What a keyed report may change of its computer's settings.
#include "domain/SettingsAuthority.h"
#include "WireFormat.h"

#include <QtTest>

namespace {

using server::SettingsRecord;

// The server's settings: a reboot and an update scheduled, a manual reboot pending, one folder watched.
SettingsRecord serverSettings() {
    QStringList pieces(wire::kSettingsPieceCount);
    pieces[0] = "0";
    pieces[1] = "10";
    pieces[2] = "0";
    pieces[3] = "12/6/2026 9:00:00 AM";
    pieces[4] = "7";
    pieces[5] = "2026-12-06 03:00:00";
    pieces[6] = "C:\\in";
    pieces[16] = "100";
    pieces[26] = "0";
    pieces[27] = "2026-12-10 12:00:00";
    return SettingsRecord(pieces);
}

int pieceOf(const QString& key) {
    return wire::settingsReportKeys().indexOf(key);
}

} // namespace

class TestSettingsAuthority : public QObject {
    Q_OBJECT

private slots:
    void reportChangesOnlyWhatAnAgentChanges_data() {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("reported");
        QTest::addColumn<bool>("taken");
        const auto row = [](const char* name, const char* key, const QString& value, bool taken) {
            QTest::newRow(name) << QString(key) << value << taken;
        };
        row("folder edited", "sDir1", "D:\\out", true);
        row("folder freed", "sDir1", "", true);
        row("limit edited", "sAlert1", "50", true);
        row("folder added", "sDir10", "E:\\new", true);
        row("reboot moved later, agent's form", "sRebootTime", "12/13/2026 3:00:00 AM", true);
        row("reboot moved later, day first", "sRebootTime", "13/12/2026 03:00:00", true);
        row("reboot moved earlier", "sRebootTime", "12/5/2026 3:00:00 AM", false);
        row("reboot emptied", "sRebootTime", "", false);
        row("reboot unreadable", "sRebootTime", "soon", false);
        row("manual reboot emptied", "sManualReboot", "", true);
        row("manual reboot set", "sManualReboot", "12/6/2026 8:00:00 AM", false);
        row("update moved later", "sCheckUpdate", "12/11/2026", true);
        row("update moved earlier", "sCheckUpdate", "1/1/2020", false);
        for (const char* key : {"sLogFlag", "sSettingTime", "sSnoozeTime", "sAutoRebootTime", "sDisable"})
            row(key, key, "1440", false);
    }
    void reportChangesOnlyWhatAnAgentChanges() {
        QFETCH(QString, key);
        QFETCH(QString, reported);
        QFETCH(bool, taken);
        QStringList pieces = serverSettings().pieces();
        pieces[pieceOf(key)] = reported;
        const auto merge = server::mergeReportedSettings(serverSettings(), SettingsRecord(pieces));
        QStringList expected = serverSettings().pieces();
        if (taken)
            expected[pieceOf(key)] = reported;
        QCOMPARE(merge.settings.pieces(), expected);
        QCOMPARE(merge.ignoredKeys, taken ? QStringList() : QStringList{key});
    }
};

QTEST_GUILESS_MAIN(TestSettingsAuthority)
#include "TestSettingsAuthority.moc"
