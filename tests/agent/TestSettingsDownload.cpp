// The agent's two exchanges against a scripted peer: what the settings download stores and logs for each
// kind of reply, how it ends without one, what the status upload shows, and the guards against overlap.
#include "modules/DateTimeText.h"
#include "modules/SettingsPieces.h"
#include "platform/Clock.h"
#include "support/AgentHarness.h"
#include "support/LoopbackResponder.h"
#include "support/ProcessMemory.h"
#include "WireFormat.h"

#include <QtTest>

using namespace std::chrono_literals;

namespace {

const QString kPath = QStringLiteral("/kova-oru/process_servers.asp");
const QString kOld = QStringLiteral("old value");
const QDateTime kNow{QDate(2026, 12, 5), QTime(13, 15, 0)};

const QString kConnecting = QStringLiteral("Connecting to KOVA Server (Get)...\r\n");
const QString kConnected = QStringLiteral("Connection successful. Downloading data.\r\n");
const QString kDownloaded = QStringLiteral("Download successful.\r\n");
const QString kGetFailed = QStringLiteral("Connection failed to the KOVA Server (Get).\r\n");
const QString kSending = QStringLiteral("\r\nConnecting to KOVA Server (Send)...\r\nSending data...\r\n");
const QString kSendFailed = QStringLiteral("Connection failed to KOVA Server (Send).\r\n");

// The 28 settings fields in reply-piece order.
QStringList settingsFields(const AgentState& s) {
    QStringList fields{s.LogFlag,      s.SettingTime,    s.SnoozeTime,
                       s.ManualReboot, s.AutoRebootTime, s.RebootTime};
    for (int k = 1; k <= kSlotCount; ++k)
        fields << s.Dir[k];
    for (int k = 1; k <= kSlotCount; ++k)
        fields << s.Alert[k];
    return fields << s.Disable << s.CheckUpdate;
}

// Pieces that tell each field apart (blanks included, which must arrive untouched); piece 26 is "-1".
QStringList distinctPieces(int count) {
    QStringList pieces;
    for (int k = 0; k < count; ++k)
        pieces << (k == 26 ? QStringLiteral("-1") : QStringLiteral("piece %1").arg(k));
    return pieces;
}

QStringList with(QStringList pieces, int index, const QString& value) {
    pieces[index] = value;
    return pieces;
}

QByteArray replyOf(const QStringList& pieces) {
    return wire::joinSettingsReply(pieces).toUtf8();
}

// Settings a cycle can act on: no reboot, no folders, the update check a day ahead.
QByteArray cycleReply() {
    QStringList pieces(wire::kSettingsPieceCount);
    pieces[1] = QStringLiteral("7");
    pieces[4] = QStringLiteral("0");
    pieces[26] = QStringLiteral("0");
    pieces[27] = formatGeneralDateTime(kNow.addDays(1));
    return replyOf(pieces);
}

// Runs `action` once, shortly, from the event loop (so inside whatever wait follows); never after the
// scope that made it is gone.
class DuringTheWait : public QTimer {
public:
    explicit DuringTheWait(const std::function<void()>& action) {
        setSingleShot(true);
        connect(this, &QTimer::timeout, this, action);
        start(50ms);
    }
};

bool isFormPost(const ReceivedRequest& request) {
    return request.method == "POST" && request.target == kPath.toUtf8() &&
           request.headerLines.contains("Content-Type: application/x-www-form-urlencoded");
}

} // namespace

class TestSettingsDownload : public QObject {
    Q_OBJECT

    std::optional<LoopbackResponder> server;
    std::optional<AgentHarness> harness;

    Agent& agent() { return *harness->agent; }
    AgentState& state() { return harness->state; }

private slots:
    void init() {
        platform::pinNow(kNow);
        server.emplace();
        harness.emplace(server->url(kPath).toString());
        state().ComputerName = QStringLiteral("SRV01"); // what start-up reads from the name file
        storeSettingsPieces(state(), QStringList(wire::kSettingsPieceCount, kOld));
    }
    void cleanup() {
        harness.reset();
        server.reset();
        platform::TransferChannel::setTimeoutOverride(std::nullopt);
        platform::unpinNow();
    }

    void settingsReply_data();
    void settingsReply();
    void unansweredRequestTimesOut();
    void hugeReplyIsCutAndMemoryStaysBounded();
    void reportReply_data();
    void reportReply();
    void secondCallDuringTheWaitDoesNothing_data();
    void secondCallDuringTheWaitDoesNothing();
    void cycleStartedDuringTheDownloadRunsInsideIt();
};

void TestSettingsDownload::settingsReply_data() {
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QStringList>("fields");
    QTest::addColumn<QString>("log");
    QTest::addColumn<bool>("noInternet");

    const QStringList all = distinctPieces(28);
    const QStringList stored = with(all, 26, QStringLiteral("1"));
    const QString downloaded = kConnecting + kConnected + kDownloaded;
    const QString incomplete = kConnecting + kConnected + kGetFailed;
    const auto disable = [&](const char* row, const QString& piece, const QString& field) {
        QTest::newRow(row) << replyOf(with(all, 26, piece)) << with(all, 26, field) << downloaded << false;
    };

    QTest::newRow("28 pieces") << replyOf(all) << stored << downloaded << false;
    QTest::newRow("30 pieces: 28 and 29 ignored")
        << replyOf(distinctPieces(30)) << stored << downloaded << false;
    QTest::newRow("10 pieces: up to Dir 4 new")
        << replyOf(all.mid(0, 10)) << all.mid(0, 10) + QStringList(18, kOld) << incomplete << true;
    QTest::newRow("empty reply") << QByteArray() << QStringList(28, kOld) << kConnecting + kGetFailed << true;
    QTest::newRow("empty piece 26") << replyOf(with(all, 26, {})) << with(all, 26, {}) << incomplete << true;
    disable("piece 26 TRUE", QStringLiteral("TRUE"), QStringLiteral("1"));
    disable("piece 26 0", QStringLiteral("0"), QStringLiteral("0"));
    disable("piece 26 fAlSe", QStringLiteral("fAlSe"), QStringLiteral("0"));
    const QStringList lineBreak = with(all, 27, all[27] + QStringLiteral("\r\n"));
    QTest::newRow("line break stays in CheckUpdate")
        << replyOf(lineBreak) << with(lineBreak, 26, QStringLiteral("1")) << downloaded << false;
}

void TestSettingsDownload::settingsReply() {
    QFETCH(QByteArray, reply);
    QFETCH(QStringList, fields);
    QFETCH(QString, log);
    QFETCH(bool, noInternet);
    server->serve(Answer::http(200, reply));
    state().NoInternet = !noInternet;

    agent().ReceiveWWWSQL();

    QCOMPARE(settingsFields(state()), fields);
    QCOMPARE(agent().log.text(), log);
    QCOMPARE(state().NoInternet, noInternet);
    QCOMPARE(server->requests().size(), 1);
    QVERIFY(isFormPost(server->requests().first()));
    QCOMPARE(server->requests().first().body, QByteArray("servercode=SRV01"));
}

void TestSettingsDownload::unansweredRequestTimesOut() {
    server->serve(Answer::silent());
    platform::TransferChannel::setTimeoutOverride(300ms);
    QElapsedTimer clock;
    clock.start();

    agent().ReceiveWWWSQL();

    QVERIFY(clock.elapsed() < 3000);
    QCOMPARE(agent().log.text(), kConnecting + kGetFailed);
    QVERIFY(state().NoInternet);
    QCOMPARE(settingsFields(state()), QStringList(28, kOld));
}

// 100 MB without a separator: one piece of 32,000 bytes, so the download fails having stored LogFlag only.
void TestSettingsDownload::hugeReplyIsCutAndMemoryStaysBounded() {
    const qint64 size = qint64(100) << 20;
    server->serve(Answer::stream(size));
    QVERIFY(testsupport::resetPeakMemory());
    const qint64 before = testsupport::procStatusKb("VmRSS");

    agent().ReceiveWWWSQL();

    const qint64 growthKb = testsupport::procStatusKb("VmHWM") - before;
    qInfo("peak memory growth %lld KiB", growthKb);
    QCOMPARE(state().LogFlag, QString(wire::kReplyReadBound, u'x'));
    QCOMPARE(agent().log.text(), kConnecting + kConnected + kGetFailed);
    QVERIFY(growthKb < 20 * 1024);
    QVERIFY(server->bytesSent() < size);
}

void TestSettingsDownload::reportReply_data() {
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<bool>("noInternetBefore");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("lastLine");
    QTest::addColumn<bool>("noInternetAfter");

    const QString sent = QStringLiteral("Transmission successful! (%1)\r\n").arg(formatGeneralDateTime(kNow));
    const QByteArray overBound = QByteArray(wire::kReplyReadBound, 'a') + "beyond";
    QTest::newRow("one character") << QByteArray("K") << true << QStringLiteral("K") << sent << false;
    QTest::newRow("over 32,000 bytes")
        << overBound << true << QString(wire::kReplyReadBound, u'a') << sent << false;
    QTest::newRow("empty after a failed download")
        << QByteArray() << true << QString() << kSendFailed << true;
    QTest::newRow("empty after a good download")
        << QByteArray() << false << QString() << kSendFailed << false;
}

void TestSettingsDownload::reportReply() {
    QFETCH(QByteArray, reply);
    QFETCH(bool, noInternetBefore);
    QFETCH(QString, shown);
    QFETCH(QString, lastLine);
    QFETCH(bool, noInternetAfter);
    server->serve(Answer::http(200, reply));
    state().NoInternet = noInternetBefore;

    agent().SendWWWSQL();

    QCOMPARE(harness->view.serverMessage, QStringLiteral("Registered Computer Name: SRV01\r\n") + shown);
    QCOMPARE(agent().log.text(), kSending + lastLine);
    QCOMPARE(state().NoInternet, noInternetAfter);
    QCOMPARE(server->requests().size(), 1);
    QVERIFY(isFormPost(server->requests().first()));
    QVERIFY(server->requests().first().body.startsWith("sComputerName=SRV01&"));
}

void TestSettingsDownload::secondCallDuringTheWaitDoesNothing_data() {
    QTest::addColumn<bool>("upload");
    QTest::newRow("settings download") << false;
    QTest::newRow("status upload") << true;
}

// The inner call must neither wait for the outer one's reply nor leave a trace; the outer call goes on.
void TestSettingsDownload::secondCallDuringTheWaitDoesNothing() {
    QFETCH(bool, upload);
    const auto call = [&] { upload ? agent().SendWWWSQL() : agent().ReceiveWWWSQL(); };
    const platform::TransferChannel& channel = upload ? agent().InetMessages : agent().InetReceive;
    server->serve(Answer::late(500ms, 200, upload ? QByteArray("OK") : replyOf(distinctPieces(28))));
    bool innerReturnedDuringTheWait = false;
    bool innerLeftATrace = true;
    const DuringTheWait inner([&] {
        const QString log = agent().log.text();
        const QString panel = harness->view.serverMessage;
        const bool noInternet = state().NoInternet;
        call();
        innerReturnedDuringTheWait = channel.StillExecuting();
        innerLeftATrace = agent().log.text() != log || harness->view.serverMessage != panel ||
                          state().NoInternet != noInternet;
    });

    call();

    QVERIFY(innerReturnedDuringTheWait);
    QVERIFY(!innerLeftATrace);
    QCOMPARE(server->requests().size(), 1);
    QVERIFY(agent().log.text().endsWith(upload ? QStringLiteral(")\r\n") : kDownloaded));
}

void TestSettingsDownload::cycleStartedDuringTheDownloadRunsInsideIt() {
    state().CheckUpdate = formatGeneralDateTime(kNow.addDays(1));
    server->serve({Answer::late(500ms, 200, cycleReply()), Answer::http(200, "inner report"),
                   Answer::http(200, "outer report")});
    const DuringTheWait inner([&] { agent().RunServerInfoNow(); });

    agent().RunServerInfoNow();

    QCOMPARE(harness->view.scanNowChanges, (QList<bool>{false, false, true, true}));
    const QList<ReceivedRequest> requests = server->requests();
    QCOMPARE(requests.size(), 3);
    QVERIFY(requests[0].body.startsWith("servercode="));
    QVERIFY(requests[1].body.startsWith("sComputerName=") && requests[2].body.startsWith("sComputerName="));
    QCOMPARE(state().SettingTime, QStringLiteral("7"));
    QVERIFY(agent().log.text().contains(kDownloaded));
    QVERIFY(harness->view.serverMessage.endsWith(QStringLiteral("outer report")));
    QVERIFY(agent().lastCycleSucceeded());
}

QTEST_MAIN(TestSettingsDownload)
#include "TestSettingsDownload.moc"
