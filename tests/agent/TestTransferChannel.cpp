#include "platform/EventWait.h"
#include "platform/TransferChannel.h"
#include "support/LoopbackResponder.h"
#include "support/SelfSignedCertificate.h"

#include <QSslConfiguration>
#include <QTemporaryDir>
#include <QtTest>

using namespace std::chrono_literals;
using platform::TransferChannel;

Q_DECLARE_METATYPE(Answer)

class TestTransferChannel : public QObject {
    Q_OBJECT
    QTemporaryDir folder;

private slots:
    // Naming a certificate switches off Qt's on-demand use of the system's trust store, so the system's
    // certificates must be named too. (That the added one is trusted, the once run shows.)
    void caFileAddsToTheSystemsTrust() {
        const platform::Result missing =
            TransferChannel::addTrustedCertificates(folder.filePath("missing.pem"));
        QVERIFY(!missing && missing.reason().contains("missing.pem"));
        QString error;
        const auto made = SelfSignedCertificate::create(folder.path(), &error);
        QVERIFY2(made, qPrintable(error));
        const platform::Result added = TransferChannel::addTrustedCertificates(made->certificatePath);
        QVERIFY2(added, qPrintable(added.reason()));
        const QList<QSslCertificate> trusted = QSslConfiguration::defaultConfiguration().caCertificates();
        for (const QSslCertificate& system : QSslConfiguration::systemCaCertificates())
            QVERIFY(trusted.contains(system));
    }

    void download_data() {
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<Answer>("answer");
        QTest::addColumn<int>("status"); // 0: the download fails, no file
        QTest::addColumn<QByteArray>("content");
        const QByteArray update = QByteArray("0123456789abcdefghi").repeated(300000); // many read buffers
        QTest::newRow("5 MB") << "update.exe" << Answer::http(200, update) << 200 << update;
        QTest::newRow("not found") << "update.exe" << Answer::http(404, "gone") << 404 << QByteArray("gone");
        QTest::newRow("file cannot be created")
            << "no-folder/update.exe" << Answer::http(200, "x") << 0 << QByteArray();
    }
    void download() {
        QFETCH(QString, fileName);
        QFETCH(Answer, answer);
        QFETCH(int, status);
        QFETCH(QByteArray, content);
        LoopbackResponder server;
        server.serve(answer);
        TransferChannel channel(60s);
        QSignalSpy finished(&channel, &TransferChannel::finished);
        QFile file(folder.filePath(fileName));

        channel.Download(server.url().toString(), file.fileName());
        platform::waitWhile([&] { return channel.StillExecuting(); });

        QCOMPARE(finished.size(), 1);
        QCOMPARE(channel.httpStatus(), status);
        QCOMPARE(channel.errorText().isEmpty() && file.exists(), status != 0);
        QCOMPARE(channel.bytesWritten(), content.size());
        QVERIFY(!file.open(QIODevice::ReadOnly) || file.readAll() == content);
    }

    // A new request abandons the running one without a finished() for it; so does deleting the channel.
    void reentrantUseAndDestruction() {
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
        channel->Execute(url);
        QTRY_COMPARE(texts, QStringList({"second", "third"}));

        channel->Execute(url);
        QTRY_COMPARE(server.requests().size(), 4);
        delete channel;
        QTest::qWait(50);
        QCOMPARE(texts.size(), 2);
    }
};

QTEST_MAIN(TestTransferChannel)
#include "TestTransferChannel.moc"
