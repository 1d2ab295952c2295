#include "WireFormat.h"

#include <QSet>
#include <QtTest>

class TestWireFormat : public QObject {
    Q_OBJECT

private slots:
    void fieldValueRoundTrip_data();
    void fieldValueRoundTrip();
    void wireTextIsExact();
    void splitSettingsReply_data();
    void splitSettingsReply();
    void settingsKeysAreReportKeys();
};

void TestWireFormat::fieldValueRoundTrip_data() {
    QTest::addColumn<QString>("value");
    QTest::newRow("empty") << QString();
    QTest::newRow("folder with blanks") << QStringLiteral("C:\\Program Files\\My Data");
    QTest::newRow("form characters") << QStringLiteral("a&b=c+d%e_f");
    QTest::newRow("looks encoded") << QStringLiteral("%41%5F_+ %zz%");
    QTest::newRow("non-ASCII") << QStringLiteral("D:\\Daten\\Übergabe ñ 日本");
    QTest::newRow("control characters") << QStringLiteral("line\r\nbreak\ttab\x7f");
}

void TestWireFormat::fieldValueRoundTrip() {
    QFETCH(QString, value);
    const QString encoded = wire::EncodeFieldValue(value);
    for (const QChar c : encoded)
        QVERIFY2(c.unicode() > 0x20 && c.unicode() < 0x7F, qPrintable(encoded));
    QCOMPARE(wire::decodeFieldValue(encoded), value);
    QCOMPARE(wire::decodeServerCode(wire::escapeFormValue(value)), value);
}

void TestWireFormat::wireTextIsExact() {
    // The other side of the wire relies on these exact texts.
    QCOMPARE(wire::EncodeFieldValue("C:\\My Files_&=+%ü"),
             QStringLiteral("C:\\My_Files%5F%26%3D%2B%25%C3%BC"));
    QCOMPARE(wire::settingsRequestBody("Web Server_1&x"), QStringLiteral("servercode=Web Server_1%26x"));
    QCOMPARE(wire::settingsRequestBody(QString()), QStringLiteral("servercode="));
    QCOMPARE(wire::decodeServerCode("SRV_01+A"), QStringLiteral("SRV_01 A"));
    QCOMPARE(wire::decodeFieldValue("SRV_01+A"), QStringLiteral("SRV 01 A"));
}

void TestWireFormat::splitSettingsReply_data() {
    QTest::addColumn<QString>("reply");
    QTest::addColumn<QStringList>("pieces");
    QTest::newRow("empty pieces kept") << "0, , 5, , " << QStringList{"0", "", "5", "", ""};
    QTest::newRow("comma without blank") << "a,b, c" << QStringList{"a,b", "c"};
    QTest::newRow("not trimmed") << " a ,  b" << QStringList{" a ", " b"};
    QTest::newRow("line break kept") << "x, 12/7/2026\r\n" << QStringList{"x", "12/7/2026\r\n"};
    QTest::newRow("comma before separator") << "C:\\a,, b" << QStringList{"C:\\a,", "b"};
    QStringList thirty;
    for (int k = 0; k < 30; ++k)
        thirty << QString::number(k);
    QTest::newRow("30 pieces") << wire::joinSettingsReply(thirty) << thirty;
}

void TestWireFormat::splitSettingsReply() {
    QFETCH(QString, reply);
    QFETCH(QStringList, pieces);
    QCOMPARE(wire::splitSettingsReply(reply), pieces);
}

void TestWireFormat::settingsKeysAreReportKeys() {
    const QStringList& report = wire::reportKeys();
    QCOMPARE(QSet<QString>(report.begin(), report.end()).size(), 67);
    QCOMPARE(report.at(41), QStringLiteral("sdiskspace2"));
    QCOMPARE(wire::settingsReportKeys().size(), wire::kSettingsPieceCount);
    for (const QString& key : wire::settingsReportKeys())
        QVERIFY2(report.contains(key), qPrintable(key));
}

QTEST_APPLESS_MAIN(TestWireFormat)
#include "TestWireFormat.moc"
