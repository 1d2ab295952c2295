#include "support/AgentHarness.h"
#include "support/LoopbackResponder.h"
#include "support/SettingsReply.h"

#include <ctime>
#include <QTest>

class TestStartUp : public QObject {
    Q_OBJECT

    std::unique_ptr<AgentHarness> harness;
    std::unique_ptr<LoopbackResponder> server;
    QStringList logHistory;

    Agent& agent() { return *harness->agent; }

    void startHarness(const QString& computerName) {
        harness = std::make_unique<AgentHarness>(server->url("/kova-oru/process_servers.asp").toString(),
                                                 computerName);
        agent().log.onChange = [this](const QString& text) { logHistory << text; };
    }

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }
    void init() {
        logHistory.clear();
        server = std::make_unique<LoopbackResponder>();
        server->serve({Answer::http(200, settingsReply()), Answer::http(200, settingsReply()),
                       Answer::http(200, "ok")});
    }
    void cleanup() {
        harness.reset();
        server.reset();
    }

    void startUpRunsInOrderAndAsksForSettingsTwice() {
        startHarness(QStringLiteral("SRV01"));
        QCOMPARE(agent().Form_Load(), std::nullopt);
        QCOMPARE(harness->state.ComputerName, QStringLiteral("SRV01"));
        QCOMPARE(harness->view.calls,
                 (QStringList{"version Version No. 2.2 Build: 2", "minimise", "disableCloseMenu"}));
        QVERIFY(harness->state.TrayFrame == 1);
        QVERIFY(agent().tree.hasRoot());
        QVERIFY(agent().tmrMainLoop.isActive());
        QVERIFY(logHistory.contains(QStringLiteral("Loading...Connecting to KOVA Server (Get)...\r\n")));
        // The first cycle empties the log and downloads again.
        QVERIFY(agent().log.text().startsWith(QStringLiteral("Connecting to KOVA Server (Get)...")));
        QCOMPARE(server->requests().size(), 3);
        QCOMPARE(server->requests()[0].body, QByteArray("servercode=SRV01"));
        QCOMPARE(server->requests()[1].body, QByteArray("servercode=SRV01"));
    }

    void missingNameStopsTheTimerWhileSetupAsks() {
        startHarness(QString());
        harness->view.setupAnswer = 0;
        bool timerRanDuringSetup = true;
        harness->view.duringSetup = [&] { timerRanDuringSetup = agent().tmrMainLoop.isActive(); };
        QCOMPARE(agent().Form_Load(), std::optional<int>(0));
        QCOMPARE(harness->view.calls, QStringList{"setup"});
        QVERIFY(!timerRanDuringSetup);
        QVERIFY(server->requests().isEmpty());
    }

    void setupClosedWithoutANameGoesOnWithAnEmptyName() {
        startHarness(QString());
        harness->view.setupAnswer = std::nullopt;
        QCOMPARE(agent().Form_Load(), std::nullopt);
        QVERIFY(agent().tmrMainLoop.isActive());
        QCOMPARE(server->requests().first().body, QByteArray("servercode="));
    }

    void unreadableNameFileEndsWithAReason() {
        startHarness(QString());
        QVERIFY(QDir(harness->folder.path()).mkdir(QStringLiteral("kova.ini")));
        QCOMPARE(agent().Form_Load(), std::optional<int>(2));
        QCOMPARE(platform::MessageBox::shown().size(), 1);
        QVERIFY(platform::MessageBox::shown().first().text.contains(QStringLiteral("kova.ini")));
        QVERIFY(server->requests().isEmpty());
    }

    void clockIsSetFromTheTimePage() {
        startHarness(QStringLiteral("SRV01"));
        LoopbackResponder timePage;
        timePage.serve(Answer::http(200, "<HTML>Time<BR>Local<BR>12/5/2026,   3:04:05 AM          </HTML>"));
        agent().InetTime.URL = timePage.url("/cgi-bin/timer.pl").toString();
        agent().SyncSystemClock();
        QCOMPARE(harness->clock.received, QList{QDateTime(QDate(2026, 12, 5), QTime(3, 4, 5))});
    }

    void startAndStopCommandsSwitchTheTimer() {
        startHarness(QStringLiteral("SRV01"));
        agent().stopMonitoring();
        QVERIFY(!agent().tmrMainLoop.isActive());
        agent().startMonitoring();
        QVERIFY(agent().tmrMainLoop.isActive());
        QCOMPARE(server->requests().size(), 2); // the start command runs a cycle: settings and report
    }

    void waitingForTheServerCostsNoProcessorTime() {
        startHarness(QStringLiteral("SRV01"));
        server->serve(Answer::silent());
        platform::TransferChannel::setTimeoutOverride(std::chrono::milliseconds(1000));
        const std::clock_t before = std::clock();
        agent().ReceiveWWWSQL();
        const double seconds = double(std::clock() - before) / CLOCKS_PER_SEC;
        platform::TransferChannel::setTimeoutOverride(std::nullopt);
        QVERIFY(harness->state.NoInternet);
        QVERIFY2(seconds < 0.3,
                 qPrintable(QString::number(seconds))); // a spinning wait would burn the whole second
    }

    void offlineCycleSaysItWillRetry() {
        startHarness(QStringLiteral("SRV01"));
        agent().InetReceive.URL = QStringLiteral("http://127.0.0.1:9/kova-oru/process_servers.asp");
        harness->state.CheckUpdate = QStringLiteral("12/31/2099");
        agent().RunServerInfoNow();
        QVERIFY(agent().log.text().endsWith(QStringLiteral("Connection failed to the KOVA Server (Get).\r\n"
                                                           "NO INTERNET CONNECTION.  WILL RETRY.")));
        QVERIFY(harness->state.NoInternet);
        QVERIFY(!agent().lastCycleSucceeded());
        QCOMPARE(harness->view.scanNowChanges, (QList<bool>{false, true}));
    }
};

QTEST_GUILESS_MAIN(TestStartUp)
#include "TestStartUp.moc"
