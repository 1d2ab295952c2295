// The agent's two exchanges against a scripted peer: what the settings download stores and logs for each
// kind of reply, how it ends without one, what the status upload shows, and the guards against overlap.
#include "Endpoints.h"
#include "modules/AgentKey.h"
#include "modules/LocalDateTime.h"
#include "modules/SettingsPieces.h"
#include "platform/Clock.h"
#include "support/AgentHarness.h"
#include "support/LoopbackResponder.h"
#include "support/PeakMemory.h"
#include "support/PosixOnly.h"
#include "support/SettingsReply.h"

#include <QtTest>

using namespace std::chrono_literals;

Q_DECLARE_METATYPE(Answer)

namespace {

const QString kOld = "old value";
#ifdef Q_OS_WIN
// Wine's sockets take in the whole stream before the agent sees its first bytes, at tens of MB a second on a
// busy machine; still larger than the memory bound below.
const qint64 kHuge = qint64(32) << 20;
#else
const qint64 kHuge = qint64(100) << 20;
#endif
const QDateTime kNow{QDate(2026, 12, 5), QTime(13, 15, 0)};

const QString kConnecting = "Connecting to KOVA Server (Get)...\r\n";
const QString kConnected = "Connection successful. Downloading data.\r\n";
const QString kDownloaded = "Download successful.\r\n";
const QString kGetFailed = "Connection failed to the KOVA Server (Get).\r\n";
// An enrolled agent's key, and the fingerprint it shows when the server answers without settings.
const QString kKey(64, u'0');
const QString kFingerprint = "Key fingerprint: 681d-f247-e1ec-e836\r\n";
const QString kSending = "\r\nConnecting to KOVA Server (Send)...\r\nSending data...\r\n";

const QString kSent = "Transmission successful! (" + formatGeneralDateTime(kNow) + ")\r\n";

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

// Pieces that tell each field apart (blanks included, which must arrive old); piece 26 is `disable`.
QStringList distinctPieces(int count, const QString& disable = "-1") {
    QStringList pieces;
    for (int k = 0; k < count; ++k)
        pieces << (k == 26 ? disable : QStringLiteral("piece %1").arg(k));
    return pieces;
}

Answer reply(const QStringList& pieces) {
    return Answer::http(200, wire::joinSettingsReply(pieces).toUtf8());
}

} // namespace

class TestSettingsDownload : public QObject {
    Q_OBJECT

    std::optional<LoopbackResponder> server;
    PinnedClock pinned{kNow};
    platform::ScopedFake<platform::Clock> pinnedFake{pinned};
    ShortTimeout shortTimeout{1s};
    platform::ScopedFake<platform::TransferTimeout> timeoutFake{shortTimeout};
    std::optional<AgentHarness> harness;

    Agent& agent() { return *harness->agent; }
    AgentState& state() { return harness->state; }

private slots:
    void init() {
        shortTimeout.limit = 1s;
        server.emplace();
        harness.emplace(server->url(wire::kExchangePath).toString());
        state().ComputerName = "SRV01"; // what start-up reads from the name file
        QVERIFY(mdlGeneral::writeAgentKey(kKey));
        storeSettingsPieces(state(), QStringList(wire::kSettingsPieceCount, kOld));
    }

    void settingsDownload_data() {
        QTest::addColumn<Answer>("answer");
        QTest::addColumn<QStringList>("fields");
        QTest::addColumn<QString>("log");
        const QStringList all = distinctPieces(28);
        const QStringList stored = distinctPieces(28, "1"); // Disable as the agent keeps it
        const QString downloaded = kConnecting + kConnected + kDownloaded;
        const auto unused = [](const QString& why) {
            return kConnecting + kConnected + "Settings not used: " + why + "\r\n" + kGetFailed;
        };
        // Answered without settings: the fingerprint follows, for an operator to compare.
        const auto refused = [](const QString& why) {
            return kConnecting + "Settings not used: " + why + "\r\n" + kGetFailed + kFingerprint;
        };
        const QStringList old(28, kOld);
        QTest::newRow("28 pieces") << reply(all) << stored << downloaded;
        QTest::newRow("30 pieces: 28 and 29 ignored") << reply(distinctPieces(30)) << stored << downloaded;
        // Settings are used whole or not at all: a short reply changes no field.
        QTest::newRow("10 pieces") << reply(all.first(10)) << old
                                   << unused("the reply has 10 of the 28 settings.");
        QTest::newRow("27 pieces") << reply(all.first(27)) << old
                                   << unused("the reply has 27 of the 28 settings.");
        const QByteArray whole28 = wire::joinSettingsReply(all).toUtf8();
        for (const int status : {401, 500, 302})
            QTest::addRow("status %d", status)
                << Answer::http(status, whole28) << old
                << refused(QString("the KOVA Server answered HTTP %1 (\"%2\").")
                               .arg(status)
                               .arg(QString(whole28.left(200))));
        QTest::newRow("status 503, text with line breaks")
            << Answer::http(503, "down\r\nUpdate installed\x1b[0m") << old
            << refused("the KOVA Server answered HTTP 503 (\"down\\r\\nUpdate installed\\x{1b}[0m\").");
        // Disable arrives in any of the server's truth-word forms and is kept as "1" or "0".
        for (const auto& [word, kept] : QList<std::pair<QString, QString>>{
                 {"True", "1"}, {"FALSE", "0"}, {"-1", "1"}, {"0", "0"}, {" 0 ", "0"}})
            QTest::addRow("Disable \"%s\"", qPrintable(word))
                << reply(distinctPieces(28, word)) << distinctPieces(28, kept) << downloaded;
        QTest::newRow("Disable no truth word")
            << reply(distinctPieces(28, "yes")) << old
            << unused("the Disable setting \"yes\" is neither true nor false.");
        QTest::newRow("no Disable") << reply(distinctPieces(28, "")) << old
                                    << unused("the Disable setting \"\" is neither true nor false.");
        // Waiting for approval: the operator compares the fingerprint with the server's.
        QTest::newRow("empty reply") << Answer::http(200, "") << old
                                     << kConnecting + kGetFailed + kFingerprint;
        QTest::newRow("refused") << Answer::http(401, "") << old
                                 << refused("the KOVA Server answered HTTP 401 (\"\").");
        QTest::newRow("never answers") << Answer::silent() << old << kConnecting + kGetFailed;
        QTest::newRow("trickles forever") << Answer::trickle(20ms) << old << kConnecting + kGetFailed;
        const QByteArray whole = wire::joinSettingsReply(all).toUtf8();
        QTest::newRow("short of its length, then closed")
            << Answer::raw(statusLine(200, whole.size() + 10) + whole) << old << kConnecting + kGetFailed;
        // The 28 pieces gzip-compressed, sent although the agent asks for no encoding.
        const QByteArray gzipped =
            QByteArray::fromBase64("H4sIAAAAAAACA0WOuQ2AMAADV8kAIGHzBOZBKeiyfwVC8qW7wrpzf9rdyjKV/"
                                   "oMCDqyBLbAHjkANnIEL4VDjFnJhF3rhFwFREAnRMA2P"
                                   "/zRMwzT8NeaxrS8XX4ojBgEAAA==");
        QTest::newRow("encoded")
            << Answer::raw(statusLine(200, gzipped.size(), "Content-Encoding: gzip\r\n") + gzipped) << old
            << kConnecting + kGetFailed;
        QTest::newRow("closed unanswered: not sent again")
            << Answer::raw("") << old << kConnecting + kGetFailed;
    }
    // Whatever the reply, the request is cut off in time and what arrived decides the stored fields.
    void settingsDownload() {
        QFETCH(Answer, answer);
        QFETCH(QStringList, fields);
        QFETCH(QString, log);
        server->serve(answer);
        QElapsedTimer clock;
        clock.start();

        agent().ReceiveWWWSQL();

        QVERIFY(clock.elapsed() < 5000);
        QCOMPARE(settingsFields(state()), fields);
        QCOMPARE(agent().logText(), log);
        QCOMPARE(state().NoInternet, !log.endsWith(kDownloaded));
        QCOMPARE(server->requests().size(), 1);
        QCOMPARE(server->requests().first().body, "servercode=SRV01");
    }

    // An agent that has no key yet makes one and sends it with its very first request; one that cannot store
    // it sends none (the name would be bound to a key it then loses) and says where it could not write.
    void firstRequestCarriesTheKeyMadeForIt_data() {
        QTest::addColumn<bool>("storable");
        QTest::newRow("stored") << true;
        QTest::newRow("cannot be stored") << false;
    }
    void firstRequestCarriesTheKeyMadeForIt() {
        QFETCH(bool, storable);
        const QString keyFile = mdlGeneral::agentKeyFilePath();
        QVERIFY(QFile::remove(keyFile) && (storable || QDir().mkdir(keyFile)));
        server->serve(reply(distinctPieces(28)));
        agent().ReceiveWWWSQL();
        const QByteArray sent = server->requests().first().header("Authorization");
        if (storable) {
            QCOMPARE(sent, "Bearer " + mdlGeneral::readAgentKey().toLatin1());
            QVERIFY(agent().logText().contains("This computer made its key. " +
                                               mdlGeneral::agentKeyFingerprintText()));
        } else {
            QCOMPARE(sent, QByteArray());
            QVERIFY2(agent().logText().contains("could not be stored in " + keyFile),
                     qPrintable(agent().logText()));
        }
        QVERIFY(agent().logText().endsWith(kDownloaded));
    }

    // A huge reply without a separator: read no further than one piece of 32,000 bytes, so no setting is
    // stored, and the agent's memory stays bounded.
    void hugeReplyIsCutAtTheBound() {
        SKIP_WITHOUT_POSIX_FILE("/proc/self/clear_refs");
        shortTimeout.limit = 5s; // see kHuge
        server->serve(Answer::stream(kHuge));
        PeakMemory peak;
        QVERIFY(peak.start());

        agent().ReceiveWWWSQL();

        QVERIFY(peak.grownKb() < 20 * 1024);
#ifndef Q_OS_WIN // see kHuge
        QVERIFY(server->bytesSent() < kHuge);
#endif
        QCOMPARE(settingsFields(state()), QStringList(28, kOld));
        QCOMPARE(agent().logText(), kConnecting + kConnected +
                                        "Settings not used: the reply has 1 of the 28 settings.\r\n" +
                                        kGetFailed);
        QCOMPARE(server->requests().size(), 1);
    }

    void reportReply_data() {
        QTest::addColumn<Answer>("answer");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("logged");  // the line after "Sending data..."
        QTest::addColumn<bool>("noInternet"); // before: an accepted report clears it, anything else leaves it
        const QByteArray a(wire::kReplyReadBound, 'a');
        const QString as(wire::kReplyReadBound - 1, u'a');
        const QString failed = "Connection failed to KOVA Server (Send).";
        const QString sent = kSent.chopped(2);
        const QByteArray redirect =
            "HTTP/1.1 302 Found\r\nLocation: /elsewhere\r\nContent-Length: 5\r\n\r\nmoved";
        QTest::newRow("500 with its text")
            << Answer::http(500, "database down") << "database down"
            << "Transmission failed: the KOVA Server answered HTTP 500 (\"database down\")." << true;
        QTest::newRow("422 with its text")
            << Answer::http(422, "no such computer") << "no such computer"
            << "Transmission failed: the KOVA Server answered HTTP 422 (\"no such computer\")." << false;
        QTest::newRow("404 with a forged log line")
            << Answer::http(404, "gone\nUpdate installed") << "gone\nUpdate installed"
            << "Transmission failed: the KOVA Server answered HTTP 404 (\"gone\\nUpdate installed\")."
            << true;
        QTest::newRow("redirect not followed")
            << Answer::raw(redirect) << "moved"
            << "Transmission failed: the KOVA Server answered HTTP 302 (\"moved\")." << true;
        QTest::newRow("cut after 32000 bytes")
            << Answer::http(200, a + "beyond") << QString(a) << sent << true;
        QTest::newRow("three-byte character cut after two bytes")
            << Answer::http(200, a.left(31998) + "€tail") << as.left(31998) << sent << true;
        QTest::newRow("three-byte character ending at the bound")
            << Answer::http(200, a.left(31997) + "€tail") << as.left(31997) + "€" << sent << true;
        QTest::newRow("empty after a failed download") << Answer::http(200, "") << "" << failed << true;
        QTest::newRow("empty after a good download") << Answer::http(200, "") << "" << failed << false;
        QTest::newRow("closed unanswered, posted once") << Answer::raw("") << "" << failed << true;
    }
    void reportReply() {
        QFETCH(Answer, answer);
        QFETCH(QString, shown);
        QFETCH(QString, logged);
        QFETCH(bool, noInternet);
        server->serve(answer);
        state().NoInternet = noInternet;

        const bool delivered = agent().server().SendWWWSQL();

        QCOMPARE(agent().logText(), kSending + logged + "\r\n");
        QCOMPARE(delivered, logged == kSent.chopped(2));
        QCOMPARE(harness->view.serverMessage, "Registered Computer Name: SRV01\r\n" + shown);
        QCOMPARE(state().NoInternet, noInternet && !delivered);
        QTest::qWait(50); // time for a request sent again
        QCOMPARE(server->requests().size(), 1);
    }

    // A server that promises to keep the connection and closes it after each answer costs no cycle.
    void closedKeepAliveLosesNoCycle() {
        const QByteArray body = settingsReply();
        const QByteArray answer = "HTTP/1.1 200 OK\r\nContent-Length: " + QByteArray::number(body.size()) +
                                  "\r\nConnection: keep-alive\r\nKeep-Alive: timeout=60\r\n\r\n" + body;
        // One answer per connection; a request sent on it afterwards is read and dropped by the close.
        server->serve(Answer{[answer](QTcpSocket* socket) {
            if (socket->property("answered").toBool())
                return;
            socket->setProperty("answered", true);
            socket->write(answer);
            QTimer::singleShot(20ms, socket, [socket] { socket->disconnectFromHost(); });
        }});
        int lost = 0;
        for (int cycle = 0; cycle < 20; ++cycle) {
            agent().ReceiveWWWSQL();
            const bool delivered = agent().server().SendWWWSQL();
            lost += state().NoInternet || !delivered;
        }
        QCOMPARE(lost, 0);
    }

    void issuedKey_data() {
        QTest::addColumn<QByteArray>("key");
        QTest::addColumn<bool>("kept");
        QTest::newRow("64 hexadecimal digits") << QByteArray(32, 'a') + QByteArray(32, 'F') << true;
        QTest::newRow("63 digits") << QByteArray(63, 'a') << false;
        QTest::newRow("65 digits") << QByteArray(65, 'a') << false;
        QTest::newRow("no hexadecimal digit") << QByteArray(63, 'a') + 'g' << false;
        QTest::newRow("control bytes") << QByteArray(60, 'a') + "\x1b[2J" << false;
    }
    // A key the server hands out is stored only in its own form; another is refused and its settings unused.
    void issuedKey() {
        QFETCH(QByteArray, key);
        QFETCH(bool, kept);
        const QByteArray body = settingsReply();
        server->serve(Answer::raw(statusLine(200, body.size(), "X-Kova-Agent-Key: " + key + "\r\n") + body));

        agent().ReceiveWWWSQL();

        QCOMPARE(mdlGeneral::readAgentKey().toLatin1() == key, kept);
        QCOMPARE(state().NoInternet, !kept);
        if (!kept)
            QVERIFY(agent().logText().contains(
                "The key from the KOVA Server could not be saved (it is not 64 hexadecimal digits)\r\n"));
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
        server->serve(Answer::http(200, upload ? "OK" : settingsReply(), 500ms));
        bool outerReturned = false;
        bool innerReturnedDuringTheWait = false;
        const QObject scope; // the inner call comes inside the outer call's wait, and never after this test
        QTimer::singleShot(50ms, &scope, [&] {
            call();
            innerReturnedDuringTheWait = !outerReturned;
        });

        call();
        outerReturned = true;

        QVERIFY(innerReturnedDuringTheWait);
        QCOMPARE(server->requests().size(), 1);
        QCOMPARE(agent().logText(), upload ? kSending + kSent : kConnecting + kConnected + kDownloaded);
    }
};

QTEST_MAIN(TestSettingsDownload)
#include "TestSettingsDownload.moc"
