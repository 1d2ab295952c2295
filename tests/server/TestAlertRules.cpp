// The alerting room's rules without a server: which folder changes make events, when a failed delivery
// goes again, the signature, the metrics text and the address ranges allowed to read it.
#include "alerting/FolderChanges.h"
#include "alerting/MetricsAccess.h"
#include "alerting/MetricsText.h"
#include "alerting/RetrySchedule.h"
#include "alerting/WebhookSignature.h"
#include "domain/EventKinds.h"

#include <QtTest>

using namespace server;

using Conditions = QHash<QString, QString>;

namespace {

FolderReading reading(int slot, FolderCondition condition) {
    return {slot, QStringLiteral("C:\\in%1").arg(slot), "0", "0", condition};
}

// Changes as "subject=state/event", "-" for a cleared state or no event.
QStringList described(const QList<FolderChange>& changes) {
    QStringList list;
    for (const FolderChange& change : changes)
        list << change.subject + '=' + change.state.value_or("-") + '/' +
                    (change.eventKind.isEmpty() ? "-" : change.eventKind);
    return list;
}

} // namespace

class TestAlertRules : public QObject {
    Q_OBJECT

private slots:
    void folderChanges_data() {
        QTest::addColumn<Conditions>("standing");
        QTest::addColumn<QList<FolderReading>>("readings");
        QTest::addColumn<QStringList>("expected");
        using C = FolderCondition;
        const QString over = events::folderOverLimit();
        const QString scanError = events::folderScanError();
        const QString back = events::folderBackToNormal();
        const QString slot1 = "folder:1:C:\\in1";
        QTest::newRow("first report, near its limit")
            << Conditions{} << QList{reading(1, C::Near)} << QStringList{};
        QTest::newRow("goes over") << Conditions{} << QList{reading(1, C::Over)}
                                   << QStringList{slot1 + '=' + over + '/' + over};
        QTest::newRow("stays over: told once")
            << Conditions{{slot1, over}} << QList{reading(1, C::Over)} << QStringList{};
        QTest::newRow("back under") << Conditions{{slot1, over}} << QList{reading(1, C::Near)}
                                    << QStringList{slot1 + "=-/" + back};
        QTest::newRow("over, then unreadable") << Conditions{{slot1, over}} << QList{reading(1, C::ScanError)}
                                               << QStringList{slot1 + '=' + scanError + '/' + scanError};
        QTest::newRow("readable again") << Conditions{{slot1, scanError}} << QList{reading(1, C::Normal)}
                                        << QStringList{slot1 + "=-/" + back};
        QTest::newRow("folder no longer watched; silence left alone")
            << Conditions{{slot1, over}, {"silence", events::computerSilent()}} << QList<FolderReading>{}
            << QStringList{slot1 + "=-/-"};
    }
    void folderChanges() {
        QFETCH(Conditions, standing);
        QFETCH(QList<FolderReading>, readings);
        QFETCH(QStringList, expected);
        QCOMPARE(described(server::folderChanges(readings, standing)), expected);
    }

    void folderConditions_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("files");
        QTest::addColumn<QString>("limit");
        QTest::addColumn<QString>("message");
        QTest::addColumn<int>("condition"); // -1: not in use
        QTest::newRow("normal") << "C:\\in"
                                << "75"
                                << "100"
                                << "" << int(FolderCondition::Normal);
        QTest::newRow("near: above 75 %") << "C:\\in"
                                          << "76"
                                          << "100"
                                          << "" << int(FolderCondition::Near);
        QTest::newRow("at the limit is not over") << "C:\\in"
                                                  << "100"
                                                  << "100"
                                                  << "" << int(FolderCondition::Near);
        QTest::newRow("over") << "C:\\in"
                              << "101"
                              << "100"
                              << "" << int(FolderCondition::Over);
        QTest::newRow("limit no number") << "C:\\in"
                                         << "1"
                                         << "many"
                                         << "" << int(FolderCondition::Over);
        QTest::newRow("scan error line wins over the old count")
            << "C:\\in a"
            << "500"
            << "100"
            << "System OK. Scan Error! C:\\in a in SQL doesn't exist.\r\n"
            << int(FolderCondition::ScanError);
        QTest::newRow("another folder's scan error") << "C:\\in"
                                                     << "1"
                                                     << "100"
                                                     << "Scan Error! C:\\in a in SQL doesn't exist." << 0;
        QTest::newRow("slot not in use") << "00"
                                         << "5"
                                         << "1"
                                         << "" << -1;
    }
    void folderConditions() {
        QFETCH(QString, path);
        QFETCH(QString, files);
        QFETCH(QString, limit);
        QFETCH(QString, message);
        QFETCH(int, condition);
        const QHash<QString, QString> report{
            {"sDir4", path}, {"sCount4", files}, {"sAlert4", limit}, {"sMessage", message}};
        const auto readings = folderReadings([&](const QString& key) { return report.value(key); });
        QCOMPARE(readings.isEmpty() ? -1 : int(readings.first().condition), condition);
        if (!readings.isEmpty())
            QCOMPARE(readings.first().slot, 4);
    }

    void retrySchedule_data() {
        QTest::addColumn<int>("failures");
        QTest::addColumn<qint64>("sinceEvent"); // seconds
        QTest::addColumn<qint64>("wait");       // seconds; -1: given up
        QTest::newRow("first failure") << 1 << qint64(0) << qint64(10);
        QTest::newRow("doubles") << 3 << qint64(70) << qint64(40);
        QTest::newRow("never more than an hour apart") << 40 << qint64(3600) << qint64(3600);
        QTest::newRow("still trying a day later") << 30 << qint64(25 * 3600) << qint64(3600);
        QTest::newRow("given up after three days") << 80 << qint64(72 * 3600 - 60) << qint64(-1);
    }
    void retrySchedule() {
        QFETCH(int, failures);
        QFETCH(qint64, sinceEvent);
        QFETCH(qint64, wait);
        const QDateTime eventAt(QDate(2026, 12, 1), QTime(8, 0), Qt::UTC);
        const QDateTime now = eventAt.addSecs(sinceEvent);
        const auto next = RetrySchedule{}.nextTry(failures, eventAt, now);
        QCOMPARE(next ? now.secsTo(*next) : -1, wait);
    }

    // RFC 4231, test case 2.
    void signatureIsHmacSha256() {
        QCOMPARE(webhook::signature("Jefe", "what do ya want for nothing?"),
                 QByteArray("sha256=5bdcc146bf60754e6a042426089575c75a003f089d2739839dec58b964ec3843"));
    }

    void metricsText() {
        QByteArray out;
        metrics::sample(out, "m", {{"path", "C:\\a \"b\"\nc"}, {"slot", "1"}}, 2.5);
        metrics::textSample(out, "m", {}, " 12 ");
        metrics::textSample(out, "m", {}, "twelve");
        metrics::textSample(out, "m", {}, "");
        QCOMPARE(out, QByteArray("m{path=\"C:\\\\a \\\"b\\\"\\nc\",slot=\"1\"} 2.5\nm 12\n"));
    }

    void addressRanges_data() {
        QTest::addColumn<QString>("range");
        QTest::addColumn<QString>("client");
        QTest::addColumn<bool>("allowed");
        QTest::newRow("inside") << "10.0.0.0/8"
                                << "10.1.2.3" << true;
        QTest::newRow("outside") << "10.0.0.0/8"
                                 << "11.0.0.1" << false;
        QTest::newRow("single address") << "127.0.0.1"
                                        << "127.0.0.1" << true;
        QTest::newRow("its neighbour") << "127.0.0.1"
                                       << "127.0.0.2" << false;
        QTest::newRow("IPv4 through an IPv6 socket") << "192.168.0.0/16"
                                                     << "::ffff:192.168.4.5" << true;
        QTest::newRow("IPv6") << "fd00::/8"
                              << "fd12::1" << true;
    }
    void addressRanges() {
        QFETCH(QString, range);
        QFETCH(QString, client);
        QFETCH(bool, allowed);
        const auto parsed = readAddressRange(range);
        QVERIFY(parsed);
        QCOMPARE(addressAllowed({*parsed}, QHostAddress(client)), allowed);
    }

    void badRanges() {
        for (const char* text : {"10.0.0.0/33", "everyone", "", "10.0.0.0/"})
            QVERIFY2(!readAddressRange(text), text);
    }
};

QTEST_APPLESS_MAIN(TestAlertRules)
#include "TestAlertRules.moc"
