// The state the console tells of each computer, the same on the fleet page and on its own page: folders over
// their limit or unreadable, silence, low disk against the thresholds, limits the computer has not yet
// confirmed, and the events and metrics that go with them. Reports travel through the agents' exchange.
#include "domain/ComputerState.h"
#include "domain/DiskThreshold.h"
#include "domain/FolderCondition.h"
#include "RunningServer.h"
#include "ScanErrorLine.h"

#include <QJsonArray>

using server::Role;

Q_DECLARE_METATYPE(server::Standing)
Q_DECLARE_METATYPE(server::FolderCondition)

namespace {

// Free space as the agent writes it: units of 10,000 bytes, its own decimal separator.
QString freeUnits(double gigabytes) {
    return QString::number(gigabytes * 1e5, 'f', 4).replace('.', ',');
}

QHash<QString, QString> oneDisk(const QString& units) {
    return {{"sDisk1", "C:\\"}, {"sDiskSpace1", units}};
}

QStringList names(const QJsonArray& computers) {
    QStringList list;
    for (const QJsonValue& computer : computers)
        list << computer.toObject().value("name").toString();
    return list;
}

QJsonObject row(const QJsonArray& computers, const QString& name) {
    for (const QJsonValue& computer : computers) {
        if (computer.toObject().value("name").toString() == name)
            return computer.toObject();
    }
    return {};
}

} // namespace

class TestFleetStates : public QObject {
    Q_OBJECT
    std::optional<RunningServer> server;
    std::unique_ptr<ApiClient> admin;

    // A report through the exchange, received at `at` by the server's clock.
    void reportAt(const QDateTime& at, const QString& computer, const QMap<int, QStringList>& folders,
                  const QString& message = {}, const QHash<QString, QString>& extra = {}) {
        const QDateTime now = server->now;
        server->now = at;
        QCOMPARE(server->report(computer, folders, message, extra), 200);
        server->now = now;
    }

    QJsonObject computer(const QString& name) { return admin->get("/api/v1/computers/" + name).json; }

    QStringList eventKinds(const QString& computer) {
        return server
            ->value("SELECT group_concat(kind, ',') FROM (SELECT kind FROM events WHERE computer = '" +
                    computer + "' ORDER BY id)")
            .toString()
            .split(',', Qt::SkipEmptyParts);
    }

    QByteArray metrics() { return testsupport::httpRequest("GET", server->url("/metrics")).body; }

    // The values of a folder's kova_folder_limit and kova_folder_state samples.
    QStringList folderMetrics(const QString& computer, int slot) {
        QStringList values;
        const QByteArray page = metrics();
        for (const char* family : {"kova_folder_limit", "kova_folder_state"}) {
            const QByteArray start =
                QStringLiteral("%1{computer=\"%2\",slot=\"%3\",").arg(family, computer).arg(slot).toUtf8();
            const qsizetype at = page.indexOf(start);
            const qsizetype line = page.indexOf('\n', at);
            values << (at < 0 ? QString() : QString::fromUtf8(page.mid(at, line - at)).section(' ', -1));
        }
        return values;
    }

private slots:
    void init() {
        server.emplace(RunningServer::Kind::Console);
        server->options.alerting.metricsAllow = {*server::readAddressRange("127.0.0.0/8")};
        QCOMPARE(server->start(), QString());
        admin = server->loggedIn("adam", Role::Admin);
    }

    // The most severe of what stands wins; silence only comes first over a disk or a folder filling up.
    void oneStateFromWhatStands_data() {
        QTest::addColumn<server::Standing>("standing");
        QTest::addColumn<QString>("state");
        using S = server::Standing;
        //                                         reported over  unread silent low   near
        QTest::newRow("over and silent") << S{true, true, false, true, false, false} << "alert";
        QTest::newRow("over and unreadable") << S{true, true, true, false, false, false} << "alert";
        QTest::newRow("unreadable, low disk") << S{true, false, true, false, true, false} << "unreadable";
        QTest::newRow("silent and near") << S{true, false, false, true, false, true} << "silent";
        QTest::newRow("never reported") << S{false, false, false, true, false, false} << "none";
        QTest::newRow("low disk and near") << S{true, false, false, false, true, true} << "lowdisk";
        QTest::newRow("near") << S{true, false, false, false, false, true} << "near";
        QTest::newRow("nothing") << S{true, false, false, false, false, false} << "ok";
    }
    void oneStateFromWhatStands() {
        QFETCH(server::Standing, standing);
        QFETCH(QString, state);
        QCOMPARE(server::computerStateText(server::computerState(standing)), state);
    }

    // An operator's entry against a drive's free space (in the agent's units of 10,000 bytes).
    void diskThresholds_data() {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<QString>("free");
        QTest::addColumn<QString>("outcome"); // "low", "fine", or a word of the refusal
        QTest::newRow("exactly at the threshold") << "10 GB"
                                                  << "1000000"
                                                  << "fine";
        QTest::newRow("a byte under it") << "10 GB"
                                         << "999999,9999"
                                         << "low";
        QTest::newRow("plain number is GB") << "10"
                                            << "999999.9999"
                                            << "low";
        QTest::newRow("comma and lower case") << "2,5 gb"
                                              << "240000"
                                              << "low";
        QTest::newRow("drive gone reports 0") << "10 GB"
                                              << "0"
                                              << "fine";
        QTest::newRow("no threshold") << ""
                                      << "1"
                                      << "fine";
        QTest::newRow("percentage") << "5 %"
                                    << "1"
                                    << "percentage";
        QTest::newRow("zero") << "0 GB"
                              << "1"
                              << "above 0";
        QTest::newRow("words") << "lots"
                               << "1"
                               << "no threshold";
    }
    void diskThresholds() {
        QFETCH(QString, entry);
        QFETCH(QString, free);
        QFETCH(QString, outcome);
        const auto threshold = server::readDiskThreshold(entry);
        if (!threshold) {
            QVERIFY2(threshold.reason().contains(outcome), qPrintable(threshold.reason()));
            return;
        }
        const auto disks = server::diskReadings([&](const QString& key) {
            return key == "sDisk1" ? QString("C:\\") : key == "sDiskSpace1" ? free : QString();
        });
        QCOMPARE(server::lowDisk(disks, *threshold) ? "low" : "fine", outcome);
    }

    // Most severe first, the longest standing first within a state; the figures cover the fleet and each
    // leads to the computers it counts.
    void fleetOrderAndFilters() {
        const QDateTime now = server->now;
        QCOMPARE(admin->put("/api/v1/fleet/disk-threshold", {{"threshold", "10 GB"}}).status, 200);
        const QMap<int, QStringList> over{{1, {"C:\\in", "5", "3"}}};
        reportAt(now.addSecs(-1800), "A-OVER-NEW", over);
        reportAt(now.addSecs(-7200), "B-OVER-OLD", over);
        reportAt(now, "A-OVER-NEW", over);
        reportAt(now, "B-OVER-OLD", over); // still over: it stands since its first report
        reportAt(now, "C-UNREAD", {{1, {"D:\\Spool", "7", "50"}}}, wire::scanErrorLine("D:\\Spool"));
        reportAt(now.addSecs(-3 * 3600), "D-SILENT", {});
        reportAt(now, "E-LOWDISK", {}, {}, oneDisk(freeUnits(1)));
        reportAt(now, "F-NEAR", {{1, {"C:\\q", "8", "10"}}}, {}, {{"sAlertStatus", "1"}});
        reportAt(now, "G-OK", {}, {}, oneDisk(freeUnits(50)));

        const auto page = admin->get("/api/v1/computers");
        const QJsonArray computers = page.json.value("computers").toArray();
        QCOMPARE(names(computers), QStringList({"B-OVER-OLD", "A-OVER-NEW", "C-UNREAD", "D-SILENT",
                                                "E-LOWDISK", "F-NEAR", "G-OK"}));
        QStringList states;
        for (const QJsonValue& computer : computers)
            states << computer.toObject().value("state").toString();
        QCOMPARE(states, QStringList({"alert", "alert", "unreadable", "silent", "lowdisk", "near", "ok"}));
        QCOMPARE(page.json.value("alerting").toInt(), 2);
        QCOMPARE(page.json.value("unreadableCount").toInt(), 1);
        QCOMPARE(page.json.value("silentCount").toInt(), 1);
        QCOMPARE(page.json.value("lowDiskCount").toInt(), 1);
        QCOMPARE(page.json.value("nearCount").toInt(), 1);
        QCOMPARE(row(computers, "C-UNREAD").value("foldersUnreadable").toInt(), 1);
        QCOMPARE(row(computers, "C-UNREAD").value("foldersOver").toInt(), 0);
        QCOMPARE(row(computers, "D-SILENT").value("secondsSinceReport").toInt(), 3 * 3600);
        QCOMPARE(row(computers, "E-LOWDISK").value("lowestFreeDisk").toString(), "C:\\");

        QCOMPARE(names(admin->get("/api/v1/computers?state=silent").json.value("computers").toArray()),
                 QStringList{"D-SILENT"});
        QCOMPARE(
            names(admin->get("/api/v1/computers?state=alert&search=old").json.value("computers").toArray()),
            QStringList{"B-OVER-OLD"});
        const auto wrong = admin->get("/api/v1/computers?state=red");
        QCOMPARE(wrong.status, 400);
        QVERIFY2(
            wrong.error().contains("alert, unreadable, silent, lowdisk, near, maintenance or acknowledged"),
            qPrintable(wrong.error()));

        // The computer's own page tells the same state, the unreadable folder in its own words.
        for (const QString& name : names(computers))
            QCOMPARE(computer(name).value("state").toString(),
                     row(computers, name).value("state").toString());
        const QJsonObject unread =
            computer("C-UNREAD").value("status").toObject().value("folders").toArray()[0].toObject();
        QCOMPARE(unread.value("state").toString(), "unreadable");
    }

    // Silence starts exactly three cycles after the last report: the server's interval of 10 ticks, 3 × 11 ×
    // 36 s.
    void silenceBoundary_data() {
        QTest::addColumn<int>("secondsAgo");
        QTest::addColumn<QString>("state");
        QTest::newRow("a second before") << 3 * 11 * 36 - 1 << "ok";
        QTest::newRow("exactly at it") << 3 * 11 * 36 << "silent";
    }
    void silenceBoundary() {
        QFETCH(int, secondsAgo);
        QFETCH(QString, state);
        reportAt(server->now.addSecs(-secondsAgo), "QUIET", {});
        QCOMPARE(computer("QUIET").value("state").toString(), state);
        QCOMPARE(row(admin->get("/api/v1/computers").json.value("computers").toArray(), "QUIET")
                     .value("state")
                     .toString(),
                 state);
    }

    // A changed limit waits for the computer: until its next report the state stays what the computer
    // judged, on both pages and in the metrics, and the new limit shows as pending.
    void changedLimitIsPendingUntilReported_data() {
        using server::FolderCondition;
        QTest::addColumn<QString>("reportedLimit");
        QTest::addColumn<QString>("newLimit");
        QTest::addColumn<QString>("stateBefore");
        QTest::addColumn<QString>("fleetStateBefore");
        QTest::addColumn<FolderCondition>("metricBefore");
        QTest::addColumn<QString>("stateAfter");
        QTest::addColumn<FolderCondition>("metricAfter");
        // 70 files against 60 is over; against 80 near (over 75 %); against 100 normal.
        QTest::newRow("raised") << "60"
                                << "80"
                                << "red"
                                << "alert" << FolderCondition::Over << "yellow" << FolderCondition::Near;
        QTest::newRow("lowered") << "100"
                                 << "60"
                                 << "green"
                                 << "ok" << FolderCondition::Normal << "red" << FolderCondition::Over;
    }
    void changedLimitIsPendingUntilReported() {
        QFETCH(QString, reportedLimit);
        QFETCH(QString, newLimit);
        QFETCH(QString, stateBefore);
        QFETCH(QString, fleetStateBefore);
        QFETCH(server::FolderCondition, metricBefore);
        QFETCH(QString, stateAfter);
        QFETCH(server::FolderCondition, metricAfter);
        reportAt(server->now, "PC", {{2, {"D:\\Spool", "70", reportedLimit}}});
        QCOMPARE(admin->put("/api/v1/computers/PC/settings", {{"Alert2", newLimit}}).status, 200);
        QJsonObject folder =
            computer("PC").value("status").toObject().value("folders").toArray()[0].toObject();
        QCOMPARE(folder.value("state").toString(), stateBefore);
        QCOMPARE(folder.value("limit").toInt(), reportedLimit.toInt());
        QCOMPARE(folder.value("pendingLimit").toString(), newLimit);
        QCOMPARE(computer("PC").value("state").toString(), fleetStateBefore);
        QCOMPARE(row(admin->get("/api/v1/computers").json.value("computers").toArray(), "PC")
                     .value("state")
                     .toString(),
                 fleetStateBefore);
        QCOMPARE(folderMetrics("PC", 2), (QStringList{reportedLimit, QString::number(int(metricBefore))}));

        reportAt(server->now.addSecs(60), "PC", {{2, {"D:\\Spool", "70", newLimit}}}); // it downloaded it
        server->now = server->now.addSecs(60);
        folder = computer("PC").value("status").toObject().value("folders").toArray()[0].toObject();
        QCOMPARE(folder.value("state").toString(), stateAfter);
        QVERIFY(!folder.contains("pendingLimit"));
        QCOMPARE(folderMetrics("PC", 2), (QStringList{newLimit, QString::number(int(metricAfter))}));
    }

    // The fleet's threshold, a computer's own over it, and a drive that goes away: each report tells the
    // change once, and the metric follows.
    void diskEventsAndMetric() {
        QCOMPARE(admin->put("/api/v1/fleet/disk-threshold", {{"threshold", "10"}})
                     .json.value("threshold")
                     .toString(),
                 "10 GB");
        reportAt(server->now, "SRV", {}, {}, oneDisk(freeUnits(1)));
        QVERIFY(metrics().contains("kova_disk_low{computer=\"SRV\"} 1\n"));
        reportAt(server->now.addSecs(60), "SRV", {}, {}, oneDisk(freeUnits(1))); // still low: nothing new
        QCOMPARE(admin->put("/api/v1/computers/SRV/disk-threshold", {{"threshold", "0.5 GB"}}).status, 200);
        QCOMPARE(computer("SRV").value("state").toString(), "ok"); // its own threshold counts at once
        reportAt(server->now.addSecs(120), "SRV", {}, {}, oneDisk(freeUnits(1)));
        QCOMPARE(admin->put("/api/v1/computers/SRV/disk-threshold", {{"threshold", "100 GB"}}).status, 200);
        reportAt(server->now.addSecs(180), "SRV", {}, {}, oneDisk("0")); // the drive went away
        QCOMPARE(eventKinds("SRV"), QStringList({"disk_low", "disk_back_to_normal"}));
        QVERIFY(metrics().contains("kova_disk_low{computer=\"SRV\"} 0\n"));
        QCOMPARE(server->value("SELECT body FROM events WHERE kind = 'disk_low'")
                     .toString()
                     .contains("\"drive\":\"C:\\\\\",\"freeBytes\":1000000000"),
                 true);
        QCOMPARE(
            server->count("SELECT COUNT(*) FROM audit WHERE setting = 'DiskThreshold' AND computer = 'SRV'"),
            2);
        QCOMPARE(server
                     ->value("SELECT old_value || '>' || new_value FROM audit WHERE computer = '' AND "
                             "setting = 'FleetDiskThreshold'")
                     .toString(),
                 ">10 GB");
    }

    void unreadableFolderMetricAndEvent() {
        reportAt(server->now, "PC", {{1, {"D:\\Spool", "7", "50"}}}, wire::scanErrorLine("D:\\Spool"));
        QVERIFY(metrics().contains("kova_folder_state{computer=\"PC\",slot=\"1\",path=\"D:\\\\Spool\"} 3\n"));
        QCOMPARE(eventKinds("PC"), QStringList{"folder_scan_error"});
    }

    // Every refusal says what to send instead.
    void thresholdRefusals_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("says");
        const QString fleet = "/api/v1/fleet/disk-threshold";
        QTest::newRow("percentage") << fleet << QByteArray(R"({"threshold":"5 %"})") << 422 << "percentage";
        QTest::newRow("no number") << fleet << QByteArray(R"({"threshold":"big"})") << 422 << "for example";
        QTest::newRow("no threshold field") << fleet << QByteArray(R"({"limit":"5"})") << 400 << "10 GB";
        QTest::newRow("a number, not text") << fleet << QByteArray(R"({"threshold":5})") << 400 << "10 GB";
        QTest::newRow("unknown computer")
            << "/api/v1/computers/NOPE/disk-threshold" << QByteArray(R"({"threshold":"5"})") << 404 << "NOPE";
    }
    void thresholdRefusals() {
        QFETCH(QString, path);
        QFETCH(QByteArray, body);
        QFETCH(int, status);
        QFETCH(QString, says);
        const auto reply = admin->send("PUT", path, body);
        QCOMPARE(reply.status, status);
        QVERIFY2(reply.error().contains(says), qPrintable(reply.error()));
        QCOMPARE(server->count("SELECT COUNT(*) FROM audit"), 0);
        const auto viewer = server->loggedIn("vera", Role::Viewer);
        QCOMPARE(viewer->send("PUT", path, R"({"threshold":"5"})").status, 403);
    }
};

QTEST_GUILESS_MAIN(TestFleetStates)
#include "TestFleetStates.moc"
