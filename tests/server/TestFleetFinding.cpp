// Finding computers on the fleet list against a real server on loopback: the search across each searched
// column with its wildcards taken literally, every order with ties that keep pages apart, page sizes and a
// page past the end, the filters for what operators decided, and the query words the list refuses.
#include "RunningServer.h"

#include <QJsonArray>

using server::Role;

namespace {

QStringList names(const ApiClient::Reply& reply) {
    QStringList list;
    for (const QJsonValue& computer : reply.json.value("computers").toArray())
        list << computer.toObject().value("name").toString();
    return list;
}

QString iso(const QDateTime& moment) {
    return moment.toUTC().toString(Qt::ISODateWithMs);
}

} // namespace

class TestFleetFinding : public QObject {
    Q_OBJECT
    std::optional<RunningServer> server;
    std::unique_ptr<ApiClient> admin;

    // Four computers whose columns (and tags) each hold something only they do; reported `minutesAgo` before
    // now.
    void storeFleet() {
        const auto store = [&](const QString& name, int minutesAgo, const QHash<QString, QString>& values) {
            QVERIFY2(server->storeReport(name, server->now.addSecs(-60 * minutesAgo), values),
                     qPrintable(server->error));
        };
        store("alpha-1", 3,
              {{"sOS", "Linux"},
               {"sIP", "10.1.2.3"},
               {"sORUVersion", "2.9.0"},
               {"sDir1", "C:\\spool\\in"},
               {"sDisk1", "C:\\"},
               {"sDiskSpace1", "500000"}});
        store("BRAVO_2", 1,
              {{"sOS", "Windows 11"},
               {"sIP", "192.168.7.9"},
               {"sORUVersion", "2.10.1"},
               {"sDir1", "D:\\data_100%\\out"},
               {"sDisk1", "D:\\"},
               {"sDiskSpace1", "200000"}});
        store("Charlie", 2, {{"sOS", "Linux"}, {"sIP", "10.9.9.9"}, {"sORUVersion", "2.2.2"}});
        store("delta%3", 4,
              {{"sOS", "linux"},
               {"sIP", "172.16.0.4"},
               {"sORUVersion", "3.0"},
               {"sDisk1", "E:\\"},
               {"sDiskSpace1", "200000"}});
        QCOMPARE(admin->put("/api/v1/computers/Charlie/tags", {{"tags", QJsonArray{"rack-7", "web"}}}).status,
                 200);
    }

private slots:
    void init() {
        server.emplace(RunningServer::Kind::Console);
        QCOMPARE(server->start(), QString());
        admin = server->loggedIn("adam", Role::Admin);
    }

    void searchLooksInEveryColumnAndTakesWildcardsLiterally_data() {
        QTest::addColumn<QString>("search");
        QTest::addColumn<QStringList>("found"); // by name
        QTest::newRow("part of a name, any case") << "ALPHA" << QStringList{"alpha-1"};
        QTest::newRow("OS") << "windows" << QStringList{"BRAVO_2"};
        QTest::newRow("OS, every letter case") << "LINUX" << QStringList{"alpha-1", "Charlie", "delta%3"};
        QTest::newRow("address") << "10.9." << QStringList{"Charlie"};
        QTest::newRow("agent version") << "2.10" << QStringList{"BRAVO_2"};
        QTest::newRow("folder path") << "spool" << QStringList{"alpha-1"};
        QTest::newRow("backslash of a path") << "C:\\spool" << QStringList{"alpha-1"};
        QTest::newRow("underscore is no wildcard") << "_" << QStringList{"BRAVO_2"};
        QTest::newRow("percent is no wildcard") << "%3" << QStringList{"delta%3"};
        QTest::newRow("both, in a folder") << "a_100%" << QStringList{"BRAVO_2"};
        QTest::newRow("surrounding blanks ignored") << "  charlie " << QStringList{"Charlie"};
        QTest::newRow("a tag") << "rack-7" << QStringList{"Charlie"};
        QTest::newRow("part of a tag, any case") << "RACK" << QStringList{"Charlie"};
        QTest::newRow("nothing") << "zulu" << QStringList{};
    }
    void searchLooksInEveryColumnAndTakesWildcardsLiterally() {
        QFETCH(QString, search);
        QFETCH(QStringList, found);
        storeFleet();
        const auto reply =
            admin->get("/api/v1/computers?sort=name&search=" + QUrl::toPercentEncoding(search));
        QCOMPARE(reply.status, 200);
        QCOMPARE(names(reply), found);
        QCOMPARE(reply.json.value("total").toInt(), found.size());
    }

    void everyColumnSortsBothWays_data() {
        QTest::addColumn<QString>("query");
        QTest::addColumn<QStringList>("order");
        QTest::newRow("name, any case")
            << "sort=name" << QStringList{"alpha-1", "BRAVO_2", "Charlie", "delta%3"};
        QTest::newRow("name, descending")
            << "sort=name&order=desc" << QStringList{"delta%3", "Charlie", "BRAVO_2", "alpha-1"};
        QTest::newRow("OS, ties by name")
            << "sort=os" << QStringList{"alpha-1", "Charlie", "delta%3", "BRAVO_2"};
        QTest::newRow("OS descending, ties still by name ascending")
            << "sort=os&order=desc" << QStringList{"BRAVO_2", "alpha-1", "Charlie", "delta%3"};
        QTest::newRow("version by its numbers")
            << "sort=version" << QStringList{"Charlie", "alpha-1", "BRAVO_2", "delta%3"};
        QTest::newRow("last report, newest first")
            << "sort=lastReport&order=desc" << QStringList{"BRAVO_2", "Charlie", "alpha-1", "delta%3"};
        QTest::newRow("free disk, least first, none last, ties by name")
            << "sort=freeDisk" << QStringList{"BRAVO_2", "delta%3", "alpha-1", "Charlie"};
        QTest::newRow("free disk, most first")
            << "sort=freeDisk&order=desc" << QStringList{"Charlie", "alpha-1", "BRAVO_2", "delta%3"};
    }
    void everyColumnSortsBothWays() {
        QFETCH(QString, query);
        QFETCH(QStringList, order);
        storeFleet();
        const auto reply = admin->get("/api/v1/computers?" + query);
        QCOMPARE(reply.status, 200);
        QCOMPARE(names(reply), order);
    }

    // Many computers alike in what is sorted: the pages in a row hold each computer once.
    void pagesOfEqualComputersNeitherOverlapNorSkip_data() {
        QTest::addColumn<QString>("sort");
        QTest::newRow("state") << "state";
        QTest::newRow("OS") << "os";
        QTest::newRow("OS descending") << "os&order=desc";
        QTest::newRow("last report") << "lastReport";
    }
    void pagesOfEqualComputersNeitherOverlapNorSkip() {
        QFETCH(QString, sort);
        for (int k = 0; k < 120; ++k)
            QVERIFY(server->storeReport(QStringLiteral("PC-%1").arg(k * 37 % 120, 3, 10, QChar('0')),
                                        server->now, {{"sOS", "Linux"}}));
        QStringList seen;
        for (int page = 1; page <= 3; ++page) {
            const auto reply =
                admin->get(QStringLiteral("/api/v1/computers?size=50&page=%1&sort=%2").arg(page).arg(sort));
            QCOMPARE(reply.json.value("pages").toInt(), 3);
            seen << names(reply);
        }
        QCOMPARE(seen.size(), 120);
        QStringList sorted = seen;
        sorted.sort();
        QCOMPARE(seen, sorted);
    }

    // A page past the end shows the last one and says which it is, so a link kept from a larger fleet still
    // shows computers.
    void pageSizesAndAPagePastTheEnd_data() {
        QTest::addColumn<QString>("query");
        QTest::addColumn<int>("page");
        QTest::addColumn<int>("pages");
        QTest::addColumn<int>("rows");
        QTest::newRow("first of 50") << "" << 1 << 5 << 50;
        QTest::newRow("last of 50") << "page=5" << 5 << 5 << 1;
        QTest::newRow("past the end") << "page=9" << 5 << 5 << 1;
        QTest::newRow("200 a page") << "size=200" << 1 << 2 << 200;
        QTest::newRow("200, past the end") << "size=200&page=3" << 2 << 2 << 1;
        QTest::newRow("1000 a page") << "size=1000&page=2" << 1 << 1 << 201;
    }
    void pageSizesAndAPagePastTheEnd() {
        QFETCH(QString, query);
        QFETCH(int, page);
        QFETCH(int, pages);
        QFETCH(int, rows);
        for (int k = 0; k < 201; ++k)
            QVERIFY(server->storeReport(QStringLiteral("PC-%1").arg(k, 3, 10, QChar('0')), server->now));
        const auto reply = admin->get("/api/v1/computers?" + query);
        QCOMPARE(reply.status, 200);
        QCOMPARE(reply.json.value("page").toInt(), page);
        QCOMPARE(reply.json.value("pages").toInt(), pages);
        QCOMPARE(reply.json.value("total").toInt(), 201);
        QCOMPARE(names(reply).size(), rows);
    }

    void refusedQueriesSayWhatIsAllowed_data() {
        QTest::addColumn<QString>("query");
        QTest::addColumn<QString>("error");
        QTest::newRow("unknown sort key") << "sort=size"
                                          << "sort must be state, name, lastReport, os, version or freeDisk.";
        QTest::newRow("sort key in another case")
            << "sort=Name"
            << "sort must be state, name, lastReport, os, version or freeDisk.";
        QTest::newRow("unknown direction") << "order=up"
                                           << "order must be asc or desc.";
        QTest::newRow("page size between the sizes") << "size=100"
                                                     << "size must be 50, 200 or 1000 computers a page.";
        QTest::newRow("page size of no number") << "size=all"
                                                << "size must be 50, 200 or 1000 computers a page.";
        QTest::newRow("page 0") << "page=0"
                                << "page must be a whole number from 1 to 1000000.";
        QTest::newRow("page of no number") << "page=last"
                                           << "page must be a whole number from 1 to 1000000.";
        QTest::newRow("unknown state") << "state=red"
                                       << "state must be alert, unreadable, silent, lowdisk, near, "
                                          "maintenance or acknowledged (or absent "
                                          "for every computer).";
    }
    void refusedQueriesSayWhatIsAllowed() {
        QFETCH(QString, query);
        QFETCH(QString, error);
        const auto reply = admin->get("/api/v1/computers?" + query);
        QCOMPARE(reply.status, 400);
        QCOMPARE(reply.error(), error);
    }

    // Acknowledged and in maintenance are filters like the states; each count covers the whole fleet.
    void operatorsDecisionsFilterAndCount() {
        const QDateTime now = server->now;
        server->now = now.addDays(-1); // through the exchange, so that the alert rules see the folder
        QCOMPARE(server->report("OVER", {{1, {"C:\\in", "5", "1"}}}), 200);
        QCOMPARE(server->report("SERVICED", {}), 200);
        server->now = now;
        storeFleet();
        QCOMPARE(admin->post("/api/v1/computers/OVER/acknowledge", {{"note", "on it"}}).status, 200);
        QCOMPARE(admin
                     ->post("/api/v1/computers/SERVICED/maintenance", {{"from", iso(now.addSecs(-60))},
                                                                       {"to", iso(now.addSecs(3600))},
                                                                       {"note", "patching"}})
                     .status,
                 201);
        QCOMPARE(names(admin->get("/api/v1/computers?state=acknowledged")), QStringList{"OVER"});
        QCOMPARE(names(admin->get("/api/v1/computers?state=maintenance")), QStringList{"SERVICED"});
        QCOMPARE(names(admin->get("/api/v1/computers?state=maintenance&search=alpha")), QStringList{});
        const QJsonObject counts =
            admin->get("/api/v1/computers?search=alpha").json.value("counts").toObject();
        QCOMPARE(counts.value("acknowledged").toInt(), 1);
        QCOMPARE(counts.value("maintenance").toInt(), 1);
        QCOMPARE(counts.value("alert").toInt(), 1);
        QCOMPARE(counts.value("pending").toInt(), 0);
    }
};

QTEST_GUILESS_MAIN(TestFleetFinding)
#include "TestFleetFinding.moc"
