#include "RunningServer.h"
#include "support/BlockingHttp.h"

using testsupport::httpRequest;

class TestServerPages : public QObject {
    Q_OBJECT
    std::optional<RunningServer> server;

private slots:
    void init() { server.emplace(); }

    void timePageHoldsLocalTime_data() {
        QTest::addColumn<QDateTime>("now");
        QTest::addColumn<QString>("stamp");
        const auto row = [](const char* stamp, QDate date, QTime time) {
            QTest::newRow(stamp) << QDateTime(date, time) << QString(stamp);
        };
        row("12/5/2026,   3:04:05 AM", {2026, 12, 5}, {3, 4, 5});
        row("12/31/2026,   11:59:59 PM", {2026, 12, 31}, {23, 59, 59}); // the widest
        row("1/1/2027,   12:00:00 AM", {2027, 1, 1}, {0, 0, 0});
    }
    // The agent's clock setting reads the 28 characters after the second "<BR>".
    void timePageHoldsLocalTime() {
        QFETCH(QDateTime, now);
        QFETCH(QString, stamp);
        server->now = now;
        QCOMPARE(server->start(), QString());
        const QString page = QString::fromUtf8(httpRequest("GET", server->url("/cgi-bin/timer.pl")).body);
        const QString afterFirst = page.mid(page.indexOf("<BR>") + 4).trimmed();
        QCOMPARE(afterFirst.mid(afterFirst.indexOf("<BR>") + 4, 28), stamp.leftJustified(28));
    }

    void updateDownload_data() {
        QTest::addColumn<bool>("folderGiven");
        QTest::addColumn<QByteArray>("published"); // empty: no file
        QTest::addColumn<int>("status");
        const QByteArray binary = QByteArray("MZ\x90\0\r\n\x1a\xff", 8) + QByteArray(70000, '\x7f');
        QTest::newRow("published") << true << binary << 200;
        QTest::newRow("nothing published") << true << QByteArray() << 404;
        QTest::newRow("no updates folder") << false << binary << 404;
    }
    void updateDownload() {
        QFETCH(bool, folderGiven);
        QFETCH(QByteArray, published);
        QFETCH(int, status);
        QFile file(server->dir.filePath("KOVA_Oru.exe"));
        QVERIFY(published.isEmpty() || (file.open(QIODevice::WriteOnly) && file.write(published) > 0));
        file.close();
        if (!folderGiven)
            server->options.updatesFolder.clear();
        QCOMPARE(server->start(), QString());

        const auto reply = httpRequest("GET", server->url("/kova-oru/updates/KOVA_Oru.exe"));
        QCOMPARE(reply.status, status);
        if (status == 200)
            QCOMPARE(reply.contentType + reply.body, "application/octet-stream" + published);
    }
};

QTEST_GUILESS_MAIN(TestServerPages)
#include "TestServerPages.moc"
