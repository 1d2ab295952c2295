// The agent against our own central server in one process: registration, settings that travel out in a
// report and back in the next download, and the daily self-update from the server's updates folder.
#include "modules/DateTimeText.h"
#include "platform/Clock.h"
#include "server/RunningServer.h"
#include "support/AgentHarness.h"

#include <QtTest>

namespace {

QByteArray contents(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestServerRoundTrip : public QObject {
    Q_OBJECT

    std::optional<RunningServer> server;
    std::optional<AgentHarness> harness;

    Agent& agent() { return *harness->agent; }
    AgentState& state() { return harness->state; }

    void useUpdateAddress(const QUrl& url) {
        harness->config.updateUrl = url.toString();
        harness->agent = std::make_unique<Agent>(harness->state, harness->config, harness->view);
    }

    // The server holds a past update date, as a report of this agent put it there.
    void makeUpdateDue() {
        agent().ReceiveWWWSQL();
        state().CheckUpdate = formatGeneralDateTime(server->now.addSecs(-3600));
        agent().SendWWWSQL();
    }

private slots:
    // The server writes its dates in the United States form; an agent on another locale would not read
    // the first update date and would run its update check a cycle early.
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }
    void init() {
        server.emplace();
        QVERIFY(server->start());
        platform::pinNow(server->now);
        harness.emplace(server->endpoint().toString());
        state().ComputerName = QStringLiteral("SRV01"); // what start-up reads from the name file
    }
    void cleanup() {
        harness.reset();
        server.reset();
        platform::unpinNow();
        platform::setRunningExecutableOverride(std::nullopt);
    }

    void firstCycleRegistersAndReports();
    void reportedFolderComesBackExactly_data();
    void reportedFolderComesBackExactly();
    void reportBeforeAnySettingsLeavesTheServersSettingsAlone();
    void selfUpdateReplacesOnceAndNeverLoops();
};

void TestServerRoundTrip::firstCycleRegistersAndReports() {
    agent().RunServerInfoNow();

    QVERIFY(agent().log.text().contains(QStringLiteral("Download successful.\r\n")));
    QVERIFY(agent().log.text().contains(QStringLiteral("Transmission successful! (")));
    QVERIFY(agent().lastCycleSucceeded());
    QCOMPARE(server->count("SELECT COUNT(*) FROM computers WHERE name = 'SRV01'"), 1);
    QCOMPARE(server->count("SELECT COUNT(*) FROM reports WHERE sComputerName = 'SRV01' AND "
                           "sMessage = 'System OK.'"),
             1);
}

void TestServerRoundTrip::reportedFolderComesBackExactly_data() {
    QTest::addColumn<QString>("folder");
    QTest::newRow("blanks and form characters") << QStringLiteral("/tmp/x y&z=1+2%_3");
    QTest::newRow("percent escape look-alike") << QStringLiteral("/srv/a%20b_%5F c");
    QTest::newRow("non-ASCII") << QStringLiteral("/srv/Übergabe neu/日本");
}

void TestServerRoundTrip::reportedFolderComesBackExactly() {
    QFETCH(QString, folder);
    agent().ReceiveWWWSQL();
    state().Dir[1] = folder;
    state().Alert[1] = QStringLiteral("5");

    agent().SendWWWSQL();
    state().Dir[1] = state().Alert[1] = QStringLiteral("changed here since");
    agent().ReceiveWWWSQL();

    QCOMPARE(state().Dir[1], folder);
    QCOMPARE(state().Alert[1], QStringLiteral("5"));
    QVERIFY(!state().NoInternet);
}

// A restarted agent whose first download fails still posts a report (the update step), holding no settings
// at all. Taking those would wipe the computer's folders and, with an empty Disable, fail every later
// download.
void TestServerRoundTrip::reportBeforeAnySettingsLeavesTheServersSettingsAlone() {
    agent().ReceiveWWWSQL();
    state().Dir[1] = QStringLiteral("/srv/in");
    agent().SendWWWSQL();
    state() = AgentState();
    state().ComputerName = QStringLiteral("SRV01");
    agent().InetReceive.URL = QStringLiteral("http://127.0.0.1:9/kova-oru/process_servers.asp");

    agent().RunServerInfoNow();
    QVERIFY(agent().log.text().contains(QStringLiteral("NO INTERNET CONNECTION.  WILL RETRY.")));
    QVERIFY(agent().log.text().contains(QStringLiteral("Transmission successful! (")));
    QVERIFY(!agent().lastCycleSucceeded()); // a delivered report does not make up for the failed download

    agent().InetReceive.URL = server->endpoint().toString();
    agent().RunServerInfoNow();
    QVERIFY2(agent().lastCycleSucceeded(), qPrintable(agent().log.text()));
    QCOMPARE(state().Dir[1], QStringLiteral("/srv/in"));
}

void TestServerRoundTrip::selfUpdateReplacesOnceAndNeverLoops() {
    const QByteArray published = contents(QStringLiteral("/bin/true"));
    const QByteArray previous = contents(QStringLiteral("/bin/false"));
    QVERIFY(!published.isEmpty() && !previous.isEmpty() && published != previous);
    QVERIFY(QFile::copy(QStringLiteral("/bin/true"), server->dir.filePath(QStringLiteral("KOVA_Oru.exe"))));
    const QString installed = harness->folder.filePath(QStringLiteral("KOVA Oru"));
    const QString backup = installed + QStringLiteral(".bak");
    QVERIFY(QFile::copy(QStringLiteral("/bin/false"), installed));
    platform::setRunningExecutableOverride(installed);
    int ends = 0;
    platform::setEndProcessOverride([&ends](int) { ++ends; });
    useUpdateAddress(server->url(QStringLiteral("/kova-oru/updates/KOVA_Oru.exe")));
    makeUpdateDue();

    agent().RunServerInfoNow();

    QCOMPARE(contents(installed), published);
    QCOMPARE(contents(backup), previous);
    QCOMPARE(harness->launcher.starts, (QList<FakeLauncher::Start>{{installed, {}, false}}));
    QCOMPARE(harness->view.calls.count(QStringLiteral("removeTrayIcon")), 1);
    QCOMPARE(ends, 1);
    QCOMPARE(server->value("SELECT CheckUpdate FROM computers WHERE name = 'SRV01'").toString(),
             state().CheckUpdate); // reported before the update ran

    // Now the published program is the running one.
    makeUpdateDue();
    agent().RunServerInfoNow();

    QCOMPARE(contents(installed), published);
    QCOMPARE(contents(backup), previous);
    QCOMPARE(harness->launcher.starts.size(), 1);
    QCOMPARE(harness->view.calls.count(QStringLiteral("removeTrayIcon")), 1);
    QCOMPARE(ends, 1);
    QCOMPARE(agent().log.text().count(QStringLiteral("up to date")), 1);
}

QTEST_MAIN(TestServerRoundTrip)
#include "TestServerRoundTrip.moc"
