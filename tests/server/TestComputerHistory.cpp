// A computer's history over a range of time: the buckets that keep what an operator must not miss, the range
// an operator may ask for, and the route on a real server on loopback.
#include "domain/HistoryRange.h"
#include "domain/ReportHistory.h"
#include "RunningServer.h"

#include <QJsonArray>

using server::Role;

namespace {

const QString kComputer = "HIST-01";

// Readings as text, one per space: "SECONDS:COUNT/LIMIT:FREE", where "x" is no number and a missing part
// is not reported at all; the folder is always the same one, the disk always C:.
QList<server::HistoryReading> readings(const QString& text) {
    const auto number = [](const QString& part) {
        bool ok = false;
        const double value = part.toDouble(&ok);
        return ok ? std::optional(value) : std::nullopt;
    };
    QList<server::HistoryReading> list;
    for (const QString& item : text.split(' ', Qt::SkipEmptyParts)) {
        const QStringList parts = item.split(':');
        server::HistoryReading reading{parts[0].toLongLong() * 1000, {}, {}};
        if (parts.size() > 1 && !parts[1].isEmpty()) {
            const QStringList folder = parts[1].split('/');
            reading.folders.append({1, "C:\\in", number(folder[0]), number(folder.value(1))});
        }
        if (parts.size() > 2)
            reading.disks.append({"C:", number(parts[2])});
        list << reading;
    }
    return list;
}

QString numberText(const std::optional<double>& number) {
    return number ? QString::number(*number) : "x";
}

// The lines back as text: "SECONDS:COUNT/LIMIT" per folder point, "SECONDS:FREE" per disk point,
// "SECONDS:FROM>TO" per limit change.
struct Lines {
    QString folder, disk, changes;
};

Lines lines(const server::ReportHistory& history) {
    Lines text;
    QStringList folder, disk, changes;
    for (const auto& series : history.folders) {
        for (const auto& point : series.points)
            folder << QString("%1:%2/%3")
                          .arg(point.atMs / 1000)
                          .arg(numberText(point.count), numberText(point.limit));
        for (const auto& change : series.limitChanges)
            changes << QString("%1:%2>%3")
                           .arg(change.atMs / 1000)
                           .arg(numberText(change.from), numberText(change.to));
    }
    for (const auto& series : history.disks)
        for (const auto& point : series.points)
            disk << QString("%1:%2").arg(point.atMs / 1000).arg(numberText(point.freeBytes));
    return {folder.join(' '), disk.join(' '), changes.join(' ')};
}

QString iso(const QDateTime& moment) {
    return moment.toUTC().toString(Qt::ISODate);
}

} // namespace

class TestComputerHistory : public QObject {
    Q_OBJECT
    std::optional<RunningServer> server;

private slots:
    // Buckets of 100 s from 0 s, or none (0): each reading a point of its own.
    void buckets_data() {
        QTest::addColumn<qint64>("bucketSeconds");
        QTest::addColumn<QString>("readings");
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("disk");
        QTest::addColumn<QString>("changes");
        QTest::newRow("empty range") << 100LL << ""
                                     << ""
                                     << ""
                                     << "";
        QTest::newRow("one report") << 100LL << "130:4/10:500"
                                    << "100:4/10"
                                    << "100:500"
                                    << "";
        QTest::newRow("a bucket starts at its edge") << 100LL << "0:1/10:9 99:2/10:8 100:3/10:7"
                                                     << "0:2/10 100:3/10"
                                                     << "0:8 100:7"
                                                     << "";
        QTest::newRow("the highest count and the lowest free space are kept")
            << 100LL << "0:5/10:900 50:12/10:100 90:3/10:500"
            << "0:12/10"
            << "0:100"
            << "";
        QTest::newRow("a scan error hides no count") << 100LL << "0:5/10 50:x/10 150:x/10"
                                                     << "0:5/10 100:x/10"
                                                     << ""
                                                     << "";
        QTest::newRow("a limit changed inside a bucket stays visible")
            << 100LL << "0:5/10 40:5/20 60:3/20 140:3/20"
            << "0:5/20 100:3/20"
            << ""
            << "40:10>20";
        QTest::newRow("the limit goes with the highest count") << 100LL << "0:12/10 40:5/50"
                                                               << "0:12/10"
                                                               << ""
                                                               << "40:10>50";
        QTest::newRow("a limit cleared and set again") << 100LL << "0:1/10 10:1/x 250:1/10"
                                                       << "0:1/x 200:1/10"
                                                       << ""
                                                       << "10:10>x 250:x>10";
        QTest::newRow("each report its own point") << 0LL << "30:4/10:500 31:5/20:400"
                                                   << "30:4/10 31:5/20"
                                                   << "30:500 31:400"
                                                   << "31:10>20";
        QTest::newRow("a report before the start (the clock stepped back)") << 100LL << "-30:4/10 20:5/10"
                                                                            << "-100:4/10 0:5/10"
                                                                            << ""
                                                                            << "";
    }
    void buckets() {
        QFETCH(qint64, bucketSeconds);
        QFETCH(QString, readings);
        server::HistoryBuilder builder(0, bucketSeconds * 1000);
        for (const auto& reading : ::readings(readings))
            builder.add(reading);
        const Lines seen = lines(std::move(builder).finish());
        QTEST(seen.folder, "folder");
        QTEST(seen.disk, "disk");
        QTEST(seen.changes, "changes");
    }

    void bucketWidth_data() {
        QTest::addColumn<qint64>("spanMs");
        QTest::addColumn<qint64>("reports");
        QTest::addColumn<qint64>("widthMs");
        QTest::newRow("few reports: each its own point") << 86400000LL << 500LL << 0LL;
        QTest::newRow("one more than a line holds") << 500000LL << 501LL << 1000LL;
        QTest::newRow("a span that does not divide evenly") << 1001LL << 1000LL << 3LL;
        QTest::newRow("a year every 36 s") << 365LL * 86400000 << 876000LL << 63072000LL;
        QTest::newRow("an empty span") << 0LL << 1000LL << 0LL;
    }
    void bucketWidth() {
        QFETCH(qint64, spanMs);
        QFETCH(qint64, reports);
        QFETCH(qint64, widthMs);
        QCOMPARE(server::bucketWidthMs(1000, 1000 + spanMs, reports, 500), widthMs);
    }

    // Against a fixed now of 7 December 2026, 08:00 UTC.
    void range_data() {
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("to");
        QTest::addColumn<QString>("expected"); // "FROM TO" in UTC, or the reason
        QTest::newRow("the last day by default") << ""
                                                 << ""
                                                 << "2026-12-06T08:00:00Z 2026-12-07T08:00:00Z";
        QTest::newRow("a day before a given end") << ""
                                                  << "2026-12-01T00:00:00Z"
                                                  << "2026-11-30T00:00:00Z 2026-12-01T00:00:00Z";
        QTest::newRow("an offset and milliseconds") << "2026-12-07T09:00:00.500+03:00"
                                                    << ""
                                                    << "2026-12-07T06:00:00Z 2026-12-07T08:00:00Z";
        QTest::newRow("an end in the future ends now") << "2026-12-07T00:00:00Z"
                                                       << "2026-12-09T00:00:00Z"
                                                       << "2026-12-07T00:00:00Z 2026-12-07T08:00:00Z";
        QTest::newRow("the longest range") << "2025-11-02T08:00:00Z"
                                           << ""
                                           << "2025-11-02T08:00:00Z 2026-12-07T08:00:00Z";
        QTest::newRow("longer than that") << "2025-11-02T07:59:59Z"
                                          << ""
                                          << "A history range may be at most 400 days long.";
        QTest::newRow("start after end") << "2026-12-02T00:00:00Z"
                                         << "2026-12-01T00:00:00Z"
                                         << "from must be before to.";
        QTest::newRow("start in the future") << "2026-12-08T00:00:00Z"
                                             << "2026-12-09T00:00:00Z"
                                             << "from must be in the past.";
        QTest::newRow("no date")
            << "yesterday"
            << ""
            << "from must be a date and time such as 2026-12-07T08:00:00Z, not \"yesterday\".";
        QTest::newRow("no end") << ""
                                << "2026-13-01T00:00:00Z"
                                << "to must be a date and time such as 2026-12-07T08:00:00Z, not "
                                   "\"2026-13-01T00:00:00Z\".";
    }
    void range() {
        QFETCH(QString, from);
        QFETCH(QString, to);
        const QDateTime now(QDate(2026, 12, 7), QTime(8, 0), Qt::UTC);
        const auto range = server::historyRange(from, to, now);
        QTEST(range ? iso(range->from) + ' ' + iso(range->to) : range.reason(), "expected");
    }

    // Reports through the agents' exchange over three days of server time, the limit raised on the second.
    void routeAnswersARange() {
        server.emplace(RunningServer::Kind::Console);
        QCOMPARE(server->start(), QString());
        const QDateTime start = server->now;
        for (int hour = 0; hour < 72; hour += 6) {
            server->now = start.addSecs(hour * 3600);
            const QString limit = hour < 30 ? "10" : "40";
            QCOMPARE(server->report(kComputer, {{1, {"C:\\in", QString::number(5 + hour / 6), limit}}}), 200);
        }
        const auto viewer = server->loggedIn("vera", Role::Viewer);
        const QString path = "/api/v1/computers/" + kComputer + "/history";
        const auto all = viewer->get(path + "?from=" + iso(start.addSecs(-60)));
        QCOMPARE(all.status, 200);
        QCOMPARE(all.json.value("bucketSeconds").toDouble(), 0.0);
        QCOMPARE(all.json.value("to").toString(), server->now.toUTC().toString(Qt::ISODateWithMs));
        const QJsonObject folder = all.json.value("folders").toArray().at(0).toObject();
        QCOMPARE(folder.value("dir").toString(), "C:\\in");
        const QJsonArray points = folder.value("points").toArray();
        QCOMPARE(points.size(), 12);
        QCOMPARE(points.at(0).toObject().value("at").toString(), start.toUTC().toString(Qt::ISODateWithMs));
        const QJsonArray changes = folder.value("limitChanges").toArray();
        QCOMPARE(changes.size(), 1);
        QCOMPARE(changes.at(0).toObject(),
                 (QJsonObject{{"at", start.addSecs(30 * 3600).toUTC().toString(Qt::ISODateWithMs)},
                              {"from", 10},
                              {"to", 40}}));

        const auto lastDay = viewer->get(path); // the default: the day before now
        QCOMPARE(lastDay.json.value("folders").toArray().at(0).toObject().value("points").toArray().size(),
                 5);
        const auto before = viewer->get(path + "?to=" + iso(start.addSecs(-1)));
        QCOMPARE(before.json.value("folders").toArray().size(), 0);

        const auto refused = viewer->get(path + "?from=soon");
        QCOMPARE(refused.status, 400);
        QVERIFY2(refused.error().startsWith("from must be a date and time"), refused.body);
        QCOMPARE(viewer->get("/api/v1/computers/NOPE/history").status, 404);
        ApiClient nobody(server->central.url());
        QCOMPARE(nobody.get(path).status, 401);
    }

    // More reports than a line holds: buckets, none of them hiding the highest count or the lowest free
    // space.
    void routeBucketsALongRange() {
        server.emplace(RunningServer::Kind::Console);
        QCOMPARE(server->start(), QString());
        const QDateTime start = server->now.addDays(-1);
        for (int k = 0; k < 1200; ++k) {
            const bool peak = k == 777;
            QVERIFY2(server->storeReport(kComputer, start.addSecs(k * 60),
                                         {{"sDir1", "C:\\in"},
                                          {"sCount1", peak ? "999" : "3"},
                                          {"sAlert1", "10"},
                                          {"sDisk1", "C:\\"},
                                          {"sDiskSpace1", peak ? "1" : "500"}}),
                     qPrintable(server->error));
        }
        const auto viewer = server->loggedIn("vera", Role::Viewer);
        const auto reply = viewer->get("/api/v1/computers/" + kComputer + "/history?from=" + iso(start));
        QCOMPARE(reply.status, 200);
        QVERIFY(reply.json.value("bucketSeconds").toDouble() > 0);
        const QJsonArray counts =
            reply.json.value("folders").toArray().at(0).toObject().value("points").toArray();
        const QJsonArray free =
            reply.json.value("disks").toArray().at(0).toObject().value("points").toArray();
        QVERIFY(counts.size() <= 500 && counts.size() > 400);
        QCOMPARE(free.size(), counts.size());
        double highest = 0, lowest = 1e18;
        for (int k = 0; k < counts.size(); ++k) {
            highest = std::max(highest, counts.at(k).toObject().value("count").toDouble());
            lowest = std::min(lowest, free.at(k).toObject().value("freeBytes").toDouble());
        }
        QCOMPARE(highest, 999.0);
        QCOMPARE(lowest, 10000.0);
    }
};

QTEST_GUILESS_MAIN(TestComputerHistory)
#include "TestComputerHistory.moc"
