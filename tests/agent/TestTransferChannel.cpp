#include "platform/EventWait.h"
#include "platform/TransferChannel.h"
#include "support/LoopbackResponder.h"
#include "support/ProcessMemory.h"
#include "support/SelfSignedCertificate.h"

#include <QElapsedTimer>
#include <QFile>
#include <QScopeGuard>
#include <QSslConfiguration>
#include <QTemporaryDir>
#include <QtTest>

using namespace std::chrono_literals;
using platform::TransferChannel;
using testsupport::procStatusKb;
using testsupport::resetPeakMemory;

Q_DECLARE_METATYPE(Answer)

namespace {

const QByteArray kFormHeader = "Content-Type: application/x-www-form-urlencoded";

void run(TransferChannel& channel) {
    platform::waitWhile([&] { return channel.StillExecuting(); });
}

QByteArray fileContent(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArray pattern(qint64 size) {
    QByteArray bytes(size, Qt::Uninitialized);
    for (qint64 i = 0; i < size; ++i)
        bytes[i] = char(i % 251);
    return bytes;
}

} // namespace

class TestTransferChannel : public QObject {
    Q_OBJECT
    QTemporaryDir folder;
    std::optional<SelfSignedCertificate> certificate;

private slots:
    void initTestCase();
    void cleanup() { TransferChannel::setTimeoutOverride(std::nullopt); }
    void postArrivesAsSent();
    void replyText_data();
    void replyText();
    void failedTransferLeavesNoText_data();
    void failedTransferLeavesNoText();
    void hugeReplyIsCutAtTheBound();
    void https_data();
    void https();
    void caFileWithoutCertificateIsRefused();
    void download_data();
    void download();
    void reentrantUseAndDestruction();
};

void TestTransferChannel::initTestCase() {
    QVERIFY(folder.isValid());
    QString error;
    certificate = SelfSignedCertificate::create(folder.path(), &error);
    QVERIFY2(certificate, qPrintable(error));
}

void TestTransferChannel::postArrivesAsSent() {
    LoopbackResponder server;
    server.serve(Answer::http(200, "ok"));
    TransferChannel channel(5s);
    bool busyWhileServed = false;
    connect(&server, &LoopbackResponder::requestReceived, this,
            [&] { busyWhileServed = channel.StillExecuting(); });
    const QByteArray body = "servercode=JVX PC&sDir1=C:\\a b&x=1+2%";

    channel.Execute(server.url(QStringLiteral("/kova-oru/process_servers.asp")).toString(),
                    QStringLiteral("POST"), body, QString::fromLatin1(kFormHeader));
    QVERIFY(channel.StillExecuting());
    run(channel);

    QVERIFY(busyWhileServed);
    QVERIFY(!channel.StillExecuting());
    QCOMPARE(channel.GetChunk(), QStringLiteral("ok"));
    QCOMPARE(channel.httpStatus(), 200);
    QCOMPARE(server.requests().size(), 1);
    const ReceivedRequest received = server.requests().first();
    QCOMPARE(received.method, QByteArray("POST"));
    QCOMPARE(received.target, QByteArray("/kova-oru/process_servers.asp"));
    QVERIFY(received.headerLines.contains(kFormHeader));
    QCOMPARE(received.body, body);
}

void TestTransferChannel::replyText_data() {
    QTest::addColumn<Answer>("answer");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("status");
    const QByteArray a(32000, 'a');
    const QString as(31999, u'a');
    QTest::newRow("empty body") << Answer::http(200, "") << QString() << 200;
    QTest::newRow("error status keeps its body") << Answer::http(404, "missing") << "missing" << 404;
    QTest::newRow("redirect not followed")
        << Answer::rawBytes("HTTP/1.1 302 Found\r\nLocation: /elsewhere\r\nContent-Length: 5\r\n\r\nmoved")
        << "moved" << 302;
    QTest::newRow("cut after 32000 bytes")
        << Answer::http(200, a + "beyond") << QString::fromLatin1(a) << 200;
    QTest::newRow("two-byte character cut") << Answer::http(200, a.left(31999) + "é") << as << 200;
    QTest::newRow("three-byte character cut after one byte")
        << Answer::http(200, a.left(31999) + "€") << as << 200;
    QTest::newRow("three-byte character cut after two bytes")
        << Answer::http(200, a.left(31998) + "€tail") << as.left(31998) << 200;
    QTest::newRow("three-byte character ending at the bound")
        << Answer::http(200, a.left(31997) + "€tail") << as.left(31997) + "€" << 200;
}

void TestTransferChannel::replyText() {
    QFETCH(Answer, answer);
    QFETCH(QString, text);
    QFETCH(int, status);
    LoopbackResponder server;
    server.serve(answer);
    TransferChannel channel(5s);

    channel.Execute(server.url().toString());
    run(channel);

    QCOMPARE(channel.errorText(), QString());
    QCOMPARE(channel.GetChunk(), text);
    QCOMPARE(channel.httpStatus(), status);
    QCOMPARE(server.requests().size(), 1);
}

void TestTransferChannel::failedTransferLeavesNoText_data() {
    QTest::addColumn<bool>("listening");
    QTest::addColumn<Answer>("answer");
    QTest::addColumn<QString>("reason");
    QTest::newRow("connection refused") << false << Answer::silent() << "refused";
    QTest::newRow("never answers") << true << Answer::silent() << "Time-out";
    QTest::newRow("trickles forever") << true << Answer::trickle(20ms) << "Time-out";
}

void TestTransferChannel::failedTransferLeavesNoText() {
    QFETCH(bool, listening);
    QFETCH(Answer, answer);
    QFETCH(QString, reason);
    LoopbackResponder server;
    server.serve(answer);
    const QString url = server.url().toString();
    if (!listening)
        server.close();
    TransferChannel::setTimeoutOverride(300ms);
    TransferChannel channel(60s);
    QElapsedTimer clock;
    clock.start();

    channel.Execute(url);
    run(channel);

    QVERIFY2(clock.elapsed() < 3000, "the time-out runs from Execute, whatever arrives");
    QCOMPARE(channel.GetChunk(), QString());
    QVERIFY2(channel.errorText().contains(reason, Qt::CaseInsensitive), qPrintable(channel.errorText()));
}

void TestTransferChannel::hugeReplyIsCutAtTheBound() {
    const qint64 size = 100 << 20;
    LoopbackResponder server;
    server.serve(Answer::stream(size));
    TransferChannel channel(60s);
    QVERIFY(resetPeakMemory());
    const qint64 before = procStatusKb("VmRSS");

    channel.Execute(server.url().toString());
    run(channel);

    const qint64 growthKb = procStatusKb("VmHWM") - before;
    qInfo("peak memory growth %lld KiB, %lld bytes sent", growthKb, server.bytesSent());
    QCOMPARE(channel.errorText(), QString());
    QCOMPARE(channel.GetChunk(), QString(32000, u'x'));
    QVERIFY(growthKb < 20 * 1024);
    QVERIFY(server.bytesSent() < size);
}

void TestTransferChannel::https_data() {
    QTest::addColumn<bool>("trusted");
    QTest::newRow("certificate not trusted") << false;
    QTest::newRow("certificate added") << true;
}

void TestTransferChannel::https() {
    const QSslConfiguration saved = QSslConfiguration::defaultConfiguration();
    const auto restore = qScopeGuard([&] { QSslConfiguration::setDefaultConfiguration(saved); });
    QFETCH(bool, trusted);
    QString error;
    if (trusted)
        QVERIFY2(TransferChannel::addTrustedCertificates(certificate->certificatePath, &error),
                 qPrintable(error));
    LoopbackResponder server;
    server.useTls(certificate->certificate, certificate->key);
    server.serve(Answer::http(200, "secure"));
    TransferChannel channel(5s);

    channel.Execute(server.url().toString());
    run(channel);

    QCOMPARE(channel.GetChunk(), trusted ? QStringLiteral("secure") : QString());
    QCOMPARE(channel.errorText().isEmpty(), trusted);
    const QList<QSslCertificate> authorities = QSslConfiguration::defaultConfiguration().caCertificates();
    for (const QSslCertificate& system : QSslConfiguration::systemCaCertificates())
        QVERIFY2(!trusted || authorities.contains(system), "the system's trust store is kept");
}

void TestTransferChannel::caFileWithoutCertificateIsRefused() {
    QString error;
    QVERIFY(!TransferChannel::addTrustedCertificates(folder.filePath(QStringLiteral("missing.pem")), &error));
    QVERIFY(error.contains(QStringLiteral("missing.pem")));
}

void TestTransferChannel::download_data() {
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<Answer>("answer");
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("content");
    const QByteArray update = pattern(5 << 20);
    QTest::newRow("5 MB") << "update.exe" << Answer::http(200, update) << 200 << update;
    QTest::newRow("not found") << "update.exe" << Answer::http(404, "gone") << 404 << QByteArray("gone");
    QTest::newRow("file cannot be created")
        << "no-folder/update.exe" << Answer::http(200, "x") << 0 << QByteArray();
}

void TestTransferChannel::download() {
    QFETCH(QString, fileName);
    QFETCH(Answer, answer);
    QFETCH(int, status);
    QFETCH(QByteArray, content);
    LoopbackResponder server;
    server.serve(answer);
    TransferChannel channel(60s);
    QSignalSpy finished(&channel, &TransferChannel::finished);
    const QString path = folder.filePath(fileName);

    channel.Download(server.url().toString(), path);
    run(channel);

    QCOMPARE(finished.size(), 1);
    QCOMPARE(channel.httpStatus(), status);
    QCOMPARE(channel.errorText().isEmpty(), status != 0);
    QCOMPARE(channel.bytesWritten(), content.size());
    QCOMPARE(QFile::exists(path), status != 0);
    QVERIFY(fileContent(path) == content);
}

void TestTransferChannel::reentrantUseAndDestruction() {
    LoopbackResponder server;
    server.serve(
        {Answer::silent(), Answer::http(200, "second"), Answer::http(200, "third"), Answer::silent()});
    const QString url = server.url().toString();
    auto* channel = new TransferChannel(5s);
    QStringList texts;
    connect(channel, &TransferChannel::finished, this, [&] {
        texts << channel->GetChunk();
        if (texts.size() == 1)
            channel->Execute(url);
    });

    channel->Execute(url);
    QTRY_COMPARE(server.requests().size(), 1);
    channel->Execute(url); // abandons the unanswered request: no finished() for it
    QTRY_COMPARE(texts.size(), 2);
    QCOMPARE(texts, QStringList({QStringLiteral("second"), QStringLiteral("third")}));

    channel->Execute(url);
    QTRY_COMPARE(server.requests().size(), 4);
    delete channel;
    QTest::qWait(50);
    QCOMPARE(texts.size(), 2);
}

QTEST_MAIN(TestTransferChannel)
#include "TestTransferChannel.moc"
