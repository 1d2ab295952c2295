#include "RunningServer.h"
#include "support/BlockingHttp.h"

using testsupport::httpRequest;

namespace {

// Cuts the page the way the agent's clock setting does: the 28 characters after the second "<BR>".
QString stampWindow(const QString& page) {
    const QString afterFirst = page.mid(page.indexOf("<BR>") + 4).trimmed();
    return afterFirst.mid(afterFirst.indexOf("<BR>") + 4, 28);
}

} // namespace

class TestServerPages : public QObject {
    Q_OBJECT

private slots:
    void init();
    void timePageHoldsLocalTime_data();
    void timePageHoldsLocalTime();
    void updateDownload_data();
    void updateDownload();

private:
    std::unique_ptr<RunningServer> m_server;
};

void TestServerPages::init() {
    m_server = std::make_unique<RunningServer>();
}

void TestServerPages::timePageHoldsLocalTime_data() {
    QTest::addColumn<QDateTime>("now");
    QTest::addColumn<QString>("stamp");
    QTest::newRow("morning") << QDateTime(QDate(2026, 12, 5), QTime(3, 4, 5)) << "12/5/2026,   3:04:05 AM";
    QTest::newRow("widest") << QDateTime(QDate(2026, 12, 31), QTime(23, 59, 59))
                            << "12/31/2026,   11:59:59 PM";
    QTest::newRow("midnight") << QDateTime(QDate(2027, 1, 1), QTime(0, 0, 0)) << "1/1/2027,   12:00:00 AM";
}

void TestServerPages::timePageHoldsLocalTime() {
    QFETCH(QDateTime, now);
    QFETCH(QString, stamp);
    m_server->now = now;
    QVERIFY(m_server->start());
    const auto reply = httpRequest("GET", m_server->url("/cgi-bin/timer.pl"));
    QCOMPARE(reply.status, 200);
    const QString window = stampWindow(QString::fromUtf8(reply.body));
    QCOMPARE(window.size(), 28);
    QCOMPARE(window.trimmed(), stamp);
    QVERIFY(window.startsWith(stamp));
}

void TestServerPages::updateDownload_data() {
    QTest::addColumn<bool>("folderGiven");
    QTest::addColumn<QByteArray>("published"); // empty: no file
    QTest::addColumn<int>("status");
    QByteArray binary("MZ\x90\0\r\n\x1a\xff", 8);
    binary += QByteArray(70000, '\x7f');
    QTest::newRow("published") << true << binary << 200;
    QTest::newRow("nothing published") << true << QByteArray() << 404;
    QTest::newRow("no updates folder") << false << binary << 404;
}

void TestServerPages::updateDownload() {
    QFETCH(bool, folderGiven);
    QFETCH(QByteArray, published);
    QFETCH(int, status);
    if (!published.isEmpty()) {
        QFile file(m_server->dir.filePath("KOVA_Oru.exe"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(published);
    }
    if (!folderGiven)
        m_server->options.updatesFolder.clear();
    QVERIFY(m_server->start());

    const auto reply = httpRequest("GET", m_server->url("/kova-oru/updates/KOVA_Oru.exe"));
    QCOMPARE(reply.status, status);
    if (status == 200) {
        QCOMPARE(reply.contentType, QByteArray("application/octet-stream"));
        QCOMPARE(reply.body, published);
    }
}

QTEST_GUILESS_MAIN(TestServerPages)
#include "TestServerPages.moc"
