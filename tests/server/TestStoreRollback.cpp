// A report is stored in one transaction: a write that fails inside it takes back the writes before it.
#include "alerting/MetricsAccess.h"
#include "RunningServer.h"
#include "support/BlockingHttp.h"
#include "WireFormat.h"

using testsupport::postForm;

namespace {

// A report from SRV01 whose first folder and message are `text`, its limit 5; every other value empty,
// Disable "0".
QByteArray reportWithFolder(const QString& text) {
    QStringList pairs;
    for (const QString& key : wire::reportKeys()) {
        const QString value = key == "sComputerName"                ? "SRV01"
                              : key == "sDir1" || key == "sMessage" ? text
                              : key == "sDisable"                   ? "0"
                              : key == "sAlert1"                    ? "5"
                                                                    : QString();
        pairs << key + '=' + wire::EncodeFieldValue(value);
    }
    return pairs.join('&').toUtf8();
}

// The server's own count of what it stored and what failed, from its metrics page.
QByteArray storeCounters(const RunningServer& server) {
    const QByteArray page = testsupport::httpRequest("GET", server.url("/metrics")).body;
    QByteArrayList counters;
    for (const QByteArray& line : page.split('\n')) {
        if (line.startsWith("kova_reports_stored_total ") || line.startsWith("kova_database_errors_total "))
            counters << line;
    }
    return counters.join(", ");
}

} // namespace

class TestStoreRollback : public QObject {
    Q_OBJECT

private slots:
    // The history refuses the second report after its settings and latest status were written: the server
    // says so, and the computer keeps the settings, status and history of the first report, as the database
    // and the server itself tell. Once the history takes reports again, the next one is stored.
    void failedHistoryWriteTakesBackTheSettings() {
        RunningServer server;
        server.options.alerting.metricsAllow = {*server::readAddressRange("127.0.0.1")};
        QCOMPARE(server.start(), QString());
        const auto key = testsupport::bearer(server.enrol("SRV01"));
        QCOMPARE(postForm(server.endpoint(), reportWithFolder("/first"), key).status, 200);
        if (testdb::onPostgres())
            QVERIFY(server.execute("CREATE FUNCTION refuse() RETURNS trigger LANGUAGE plpgsql AS "
                                   "$$ BEGIN RAISE EXCEPTION 'history refused'; END $$; "
                                   "CREATE TRIGGER refuse BEFORE INSERT ON reports "
                                   "FOR EACH ROW EXECUTE FUNCTION refuse()"));
        else
            QVERIFY(server.execute("CREATE TRIGGER refuse BEFORE INSERT ON reports "
                                   "BEGIN SELECT RAISE(ABORT, 'history refused'); END"));
        server.now = server.now.addSecs(60);

        const auto reply = postForm(server.endpoint(), reportWithFolder("/second"), key);

        QCOMPARE(reply.status, 500);
        QVERIFY(reply.body.contains("history refused"));
        QCOMPARE(server.value("SELECT \"Dir1\" FROM computers WHERE name = 'SRV01'").toString(), "/first");
        QCOMPARE(server.value("SELECT \"sMessage\" FROM latest_status WHERE name = 'SRV01'").toString(),
                 "/first");
        QCOMPARE(server.count("SELECT COUNT(*) FROM reports"), 1);
        QCOMPARE(storeCounters(server), "kova_reports_stored_total 1, kova_database_errors_total 1");
        const auto settings = postForm(server.endpoint(), wire::settingsRequestBody("SRV01").toUtf8(), key);
        QCOMPARE(wire::splitSettingsReply(QString::fromUtf8(settings.body)).value(6), "/first");

        QVERIFY(
            server.execute(testdb::onPostgres() ? "DROP TRIGGER refuse ON reports" : "DROP TRIGGER refuse"));
        QCOMPARE(postForm(server.endpoint(), reportWithFolder("/third"), key).status, 200);
        QCOMPARE(server.count("SELECT COUNT(*) FROM reports"), 2);
    }
};

QTEST_GUILESS_MAIN(TestStoreRollback)
#include "TestStoreRollback.moc"
