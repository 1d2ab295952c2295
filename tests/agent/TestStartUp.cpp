#include "Endpoints.h"
#include "support/AgentHarness.h"
#include "support/LoopbackResponder.h"
#include "support/ProcessorTime.h"
#include "support/SettingsReply.h"

#include <QDir>
#include <QTest>

class TestStartUp : public QObject {
    Q_OBJECT

    std::optional<LoopbackResponder> server;
    std::optional<AgentHarness> harness;

    Agent& agent() { return *harness->agent; }

    void start(const QString& computerName) {
        server.emplace();
        const Answer settings = Answer::http(200, settingsReply());
        const Answer thanks = Answer::http(200, "ok");
        server->serve({settings, settings, thanks});
        harness.emplace(server->url(wire::kExchangePath).toString(), computerName);
    }
    QByteArray body(int request) { return server->requests().value(request).body; }

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }

    void startUpRunsInOrderAndAsksForSettingsTwice() {
        start(QStringLiteral("SRV01"));
        LoopbackResponder timePage;
        timePage.serve(Answer::http(200, "<HTML>Time<BR>Local<BR>12/5/2026,   3:04:05 AM          </HTML>"));
        harness->config.timeUrl = timePage.url(wire::kTimePath).toString();
        harness->agent = std::make_unique<Agent>(harness->state, harness->config, harness->view);
        QCOMPARE(agent().Form_Load(), std::nullopt);
        QCOMPARE(harness->view.calls,
                 (QStringList{"version Version No. 2.2 Build: 2", "minimise", "disableCloseMenu"}));
        QCOMPARE(harness->clock.received, QList{QDateTime(QDate(2026, 12, 5), QTime(3, 4, 5))});
        QCOMPARE(harness->clock.received.first().timeSpec(), Qt::LocalTime); // the page states local time
        QVERIFY(agent().folderTree().hasRoot() && agent().monitoring());
        QVERIFY(
            harness->view.logs.contains(QStringLiteral("Loading...Connecting to KOVA Server (Get)...\r\n")));
        // The first cycle empties the log and downloads again, then reports.
        QVERIFY(agent().logText().startsWith(QStringLiteral("Connecting to KOVA Server (Get)...")));
        QCOMPARE(server->requests().size(), 3);
        QVERIFY(body(0) == "servercode=SRV01" && body(1) == "servercode=SRV01");
    }

    // A once run is one cycle however slow the server: the main timer starts none inside it.
    void onceRunsOneCycleWhateverTheWait() {
        start(QStringLiteral("SRV01"));
        const Answer settings = Answer::http(200, settingsReply());
        server->serve({settings, settings, Answer::http(200, "ok", std::chrono::milliseconds(300))});
        harness->config.once = true;
        harness->agent = std::make_unique<Agent>(harness->state, harness->config, harness->view);
        QCOMPARE(agent().Form_Load(), std::nullopt);
        QVERIFY(!agent().monitoring());
        QCOMPARE(server->requests().size(), 3);
        QVERIFY2(agent().lastCycleSucceeded() && agent().logText().endsWith(")\r\n"),
                 qPrintable(agent().logText()));
    }

    // Setup completed ends the run with its code, and no cycle runs while it asks.
    void missingNameStopsTheTimerWhileSetupAsks() {
        start(QString());
        harness->view.setupAnswer = 0;
        bool timerRanDuringSetup = true;
        harness->view.duringSetup = [&] { timerRanDuringSetup = agent().monitoring(); };
        QCOMPARE(agent().Form_Load(), std::optional<int>(0));
        QVERIFY(harness->view.calls == QStringList{"setup"} && !timerRanDuringSetup && body(0).isNull());
    }

    // A name file that exists but cannot be read ends the run with a reason; nothing is sent.
    void unreadableNameFileEndsWithItsPath() {
        start(QString());
        QVERIFY(QDir(harness->folder.path()).mkdir(QStringLiteral("kova.ini")));
        QCOMPARE(agent().Form_Load(), std::optional<int>(2));
        QVERIFY(harness->boxes.shown.value(0).text.contains(QStringLiteral("kova.ini")));
        QVERIFY(body(0).isNull());
    }

    // A missing status picture costs one log line; the report still goes out.
    void missingPictureDoesNotStopTheCycle() {
        start(QStringLiteral("SRV01"));
        server->serve({Answer::http(200, settingsReply()), Answer::http(200, "ok")});
        QFile::remove(harness->folder.filePath(QStringLiteral("CheckMark.gif")));
        agent().RunServerInfoNow();
        QCOMPARE(agent().logText().count(QStringLiteral("CheckMark.gif")), 1);
        QVERIFY(agent().logText().contains(QStringLiteral("Transmission successful! (")));
    }

    void waitingForTheServerCostsNoProcessorTime() {
        start(QStringLiteral("SRV01"));
        server->serve(Answer::silent());
        ShortTimeout second(std::chrono::milliseconds(1000));
        const platform::ScopedFake<platform::TransferTimeout> timeoutFake(second);
        const double before = processorSeconds();
        agent().ReceiveWWWSQL();
        const double seconds = processorSeconds() - before;
        QVERIFY(harness->state.NoInternet);
        // A spinning wait would burn the whole second.
        QVERIFY2(seconds < 0.3, qPrintable(QString::number(seconds)));
    }
};

QTEST_GUILESS_MAIN(TestStartUp)
#include "TestStartUp.moc"
