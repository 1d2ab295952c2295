// The agent's two exchanges against a scripted peer: what the settings download stores and logs for each
// kind of reply, how it ends without one, what the status upload shows, and the guards against overlap.
#include "modules/DateTimeText.h"
#include "modules/SettingsPieces.h"
#include "platform/Clock.h"
#include "support/AgentHarness.h"
#include "support/LoopbackResponder.h"
#include "support/SettingsReply.h"

#include <QtTest>

using namespace std::chrono_literals;

Q_DECLARE_METATYPE(Answer)

namespace {

const QString kOld = "old value";
const QDateTime kNow{QDate(2026, 12, 5), QTime(13, 15, 0)};

const QString kConnecting = "Connecting to KOVA Server (Get)...\r\n";
const QString kConnected = "Connection successful. Downloading data.\r\n";
const QString kDownloaded = "Download successful.\r\n";
const QString kGetFailed = "Connection failed to the KOVA Server (Get).\r\n";
const QString kSending = "\r\nConnecting to KOVA Server (Send)...\r\nSending data...\r\n";

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

// Pieces that tell each field apart (blanks included, which must arrive untouched); piece 26 is `disable`.
QStringList distinctPieces(int count, const QString& disable = "-1") {
    QStringList pieces;
    for (int k = 0; k < count; ++k)
        pieces << (k == 26 ? disable : QStringLiteral("piece %1").arg(k));
    return pieces;
}

Answer reply(const QStringList& pieces) {
    return Answer::http(200, wire::joinSettingsReply(pieces).toUtf8());
}

// How far the resident size peaked above its level before `work`, in KiB; -1 when unknown.
qint64 peakGrowthKb(const std::function<void()>& work) {
    const auto statusKb = [](const QByteArray& field) {
        QFile status("/proc/self/status");
        for (const QByteArray& line : (status.open(QIODevice::ReadOnly) ? status.readAll() : "").split('\n'))
            if (line.startsWith(field + ':'))
                return line.mid(field.size() + 1).trimmed().split(' ').value(0).toLongLong();
        return qint64(-1);
    };
    QFile clearRefs("/proc/self/clear_refs"); // "5" sets the peak back to the current size
    if (!clearRefs.open(QIODevice::WriteOnly) || clearRefs.write("5") != 1 || !clearRefs.flush())
        return -1;
    const qint64 before = statusKb("VmRSS");
    work();
    return statusKb("VmHWM") - before;
}

// Runs `action` once, 50 ms on, from the event loop (so inside whatever wait follows); never after the
// scope that made it is gone.
class DuringTheWait : public QTimer {
public:
    explicit DuringTheWait(const std::function<void()>& action) {
        setSingleShot(true);
        connect(this, &QTimer::timeout, this, action);
        start(50ms);
    }
};

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
        harness.emplace(server->url("/kova-oru/process_servers.asp").toString());
        state().ComputerName = "SRV01"; // what start-up reads from the name file
        storeSettingsPieces(state(), QStringList(wire::kSettingsPieceCount, kOld));
    }
    void cleanup() {
        harness.reset();
        server.reset();
        platform::TransferChannel::setTimeoutOverride(std::nullopt);
        platform::unpinNow();
    }

    void settingsDownload_data() {
        QTest::addColumn<Answer>("answer");
        QTest::addColumn<QStringList>("fields");
        QTest::addColumn<QString>("log");
        const QStringList all = distinctPieces(28);
        const QStringList stored = distinctPieces(28, "1");
        const QString downloaded = kConnecting + kConnected + kDownloaded;
        const QString incomplete = kConnecting + kConnected + kGetFailed;
        QTest::newRow("28 pieces") << reply(all) << stored << downloaded;
        QTest::newRow("30 pieces: 28 and 29 ignored") << reply(distinctPieces(30)) << stored << downloaded;
        QTest::newRow("10 pieces: up to Dir 4 new")
            << reply(all.mid(0, 10)) << all.mid(0, 10) + QStringList(18, kOld) << incomplete;
        QTest::newRow("empty piece 26")
            << reply(distinctPieces(28, "")) << distinctPieces(28, "") << incomplete;
        QTest::newRow("empty reply") << Answer::http(200, "") << QStringList(28, kOld)
                                     << kConnecting + kGetFailed;
        QTest::newRow("never answers")
            << Answer::silent() << QStringList(28, kOld) << kConnecting + kGetFailed;
    }
    void settingsDownload() {
        QFETCH(Answer, answer);
        QFETCH(QStringList, fields);
        QFETCH(QString, log);
        server->serve(answer);
        platform::TransferChannel::setTimeoutOverride(300ms);

        agent().ReceiveWWWSQL();

        QCOMPARE(settingsFields(state()), fields);
        QCOMPARE(agent().log.text(), log);
        QCOMPARE(state().NoInternet, !log.endsWith(kDownloaded));
        QCOMPARE(server->requests().size(), 1);
        QCOMPARE(server->requests().first().body, "servercode=SRV01");
    }

    // 100 MB without a separator: one piece of 32,000 bytes, so the download fails having stored LogFlag
    // only.
    void hugeReplyIsCutAndMemoryStaysBounded() {
        const qint64 size = qint64(100) << 20;
        server->serve(Answer::stream(size));

        const qint64 growthKb = peakGrowthKb([&] { agent().ReceiveWWWSQL(); });

        qInfo("peak memory growth %lld KiB", growthKb);
        QVERIFY(growthKb >= 0 && growthKb < 20 * 1024);
        QVERIFY(server->bytesSent() < size);
        QCOMPARE(state().LogFlag, QString(wire::kReplyReadBound, u'x'));
        QCOMPARE(agent().log.text(), kConnecting + kConnected + kGetFailed);
    }

    void reportReply_data() {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<bool>("noInternetBefore");
        QTest::addColumn<QString>("lastLine");
        QTest::addColumn<bool>("noInternetAfter");
        const QString sent =
            QStringLiteral("Transmission successful! (%1)\r\n").arg(formatGeneralDateTime(kNow));
        const QString failed = "Connection failed to KOVA Server (Send).\r\n";
        QTest::newRow("one character") << QByteArray("K") << true << sent << false;
        QTest::newRow("empty after a failed download") << QByteArray() << true << failed << true;
        QTest::newRow("empty after a good download") << QByteArray() << false << failed << false;
    }
    void reportReply() {
        QFETCH(QByteArray, reply);
        QFETCH(bool, noInternetBefore);
        QFETCH(QString, lastLine);
        QFETCH(bool, noInternetAfter);
        server->serve(Answer::http(200, reply));
        state().NoInternet = noInternetBefore;

        agent().SendWWWSQL();

        QCOMPARE(harness->view.serverMessage,
                 "Registered Computer Name: SRV01\r\n" + QString::fromUtf8(reply));
        QCOMPARE(agent().log.text(), kSending + lastLine);
        QCOMPARE(state().NoInternet, noInternetAfter);
        QVERIFY(server->requests().first().body.startsWith("sComputerName=SRV01&"));
    }

    void secondCallDuringTheWaitDoesNothing_data() {
        QTest::addColumn<bool>("upload");
        QTest::newRow("settings download") << false;
        QTest::newRow("status upload") << true;
    }
    // The inner call must neither wait for the outer one's reply nor leave a trace; the outer call goes on.
    void secondCallDuringTheWaitDoesNothing() {
        QFETCH(bool, upload);
        const auto call = [&] { upload ? agent().SendWWWSQL() : agent().ReceiveWWWSQL(); };
        const auto trace = [&] {
            return QStringList{agent().log.text(), harness->view.serverMessage,
                               state().NoInternet ? "1" : "0"};
        };
        const platform::TransferChannel& channel = upload ? agent().InetMessages : agent().InetReceive;
        server->serve(upload ? Answer::http(200, "OK", 500ms) : Answer::http(200, settingsReply(), 500ms));
        QStringList before, after;
        bool innerReturnedDuringTheWait = false;
        const DuringTheWait inner([&] {
            before = trace();
            call();
            innerReturnedDuringTheWait = channel.StillExecuting();
            after = trace();
        });

        call();

        QVERIFY(innerReturnedDuringTheWait);
        QCOMPARE(after, before);
        QCOMPARE(server->requests().size(), 1);
        QVERIFY(agent().log.text().endsWith(upload ? ")\r\n" : kDownloaded));
    }

    void cycleStartedDuringTheDownloadRunsInsideIt() {
        state().CheckUpdate =
            formatGeneralDateTime(kNow.addDays(1)); // the inner cycle has no update to check
        server->serve({Answer::http(200, settingsReply(), 500ms), Answer::http(200, "inner report"),
                       Answer::http(200, "outer report")});
        const DuringTheWait inner([&] { agent().RunServerInfoNow(); });

        agent().RunServerInfoNow();

        QCOMPARE(harness->view.scanNowChanges, (QList<bool>{false, false, true, true}));
        QStringList kinds;
        for (const ReceivedRequest& request : server->requests())
            kinds << request.body.left(request.body.indexOf('='));
        QCOMPARE(kinds, QStringList({"servercode", "sComputerName", "sComputerName"}));
        QCOMPARE(state().SettingTime, "10");
        QVERIFY(harness->view.serverMessage.endsWith("outer report"));
        QVERIFY(agent().lastCycleSucceeded());
    }
};

QTEST_MAIN(TestSettingsDownload)
#include "TestSettingsDownload.moc"
