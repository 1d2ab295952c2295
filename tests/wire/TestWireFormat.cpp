#include "WireFormat.h"

#include <QtTest>

class TestWireFormat : public QObject {
    Q_OBJECT

private slots:
    void fieldValueRoundTrip_data() {
        QTest::addColumn<QString>("value");
        QTest::newRow("empty") << QString();
        QTest::newRow("folder with blanks") << QStringLiteral("C:\\Program Files\\My Data");
        QTest::newRow("form characters") << QStringLiteral("a&b=c+d%e_f");
        QTest::newRow("looks encoded") << QStringLiteral("%41%5F_+ %zz%");
        QTest::newRow("non-ASCII") << QStringLiteral("D:\\Daten\\Übergabe ñ 日本");
        QTest::newRow("control characters") << QStringLiteral("line\r\nbreak\ttab\x7f");
    }
    void fieldValueRoundTrip() {
        QFETCH(QString, value);
        const QString encoded = wire::EncodeFieldValue(value);
        for (const QChar c : encoded)
            QVERIFY2(c.unicode() > 0x20 && c.unicode() < 0x7F, qPrintable(encoded));
        QCOMPARE(wire::decodeFieldValue(encoded), value);
        QCOMPARE(wire::decodeServerCode(wire::escapeFormValue(value)), value);
    }

    // The other side of the wire relies on these exact texts.
    void wireTextIsExact() {
        QCOMPARE(wire::EncodeFieldValue("C:\\My Files_&=+%ü"), "C:\\My_Files%5F%26%3D%2B%25%C3%BC");
        QCOMPARE(wire::settingsRequestBody("Web Server_1&x"), "servercode=Web Server_1%26x");
        QCOMPARE(wire::decodeServerCode("SRV_01+A"), "SRV_01 A");
        QCOMPARE(wire::decodeFieldValue("SRV_01+A"), "SRV 01 A");
    }

    void splitSettingsReply_data() {
        QTest::addColumn<QString>("reply");
        QTest::addColumn<QStringList>("pieces");
        QTest::newRow("empty pieces kept") << "0, , 5, , " << QStringList{"0", "", "5", "", ""};
        QTest::newRow("comma without blank") << "a,b, c" << QStringList{"a,b", "c"};
        QTest::newRow("not trimmed") << " a ,  b" << QStringList{" a ", " b"};
        QTest::newRow("line break kept") << "x, 12/7/2026\r\n" << QStringList{"x", "12/7/2026\r\n"};
        QTest::newRow("comma before separator") << "C:\\a,, b" << QStringList{"C:\\a,", "b"};
    }
    void splitSettingsReply() {
        QFETCH(QString, reply);
        QFETCH(QStringList, pieces);
        QCOMPARE(wire::splitSettingsReply(reply), pieces);
    }
};

QTEST_APPLESS_MAIN(TestWireFormat)
#include "TestWireFormat.moc"
