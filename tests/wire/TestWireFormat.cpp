#include "WireFormat.h"

#include <QtTest>

class TestWireFormat : public QObject {
    Q_OBJECT

private slots:
    void fieldValueRoundTrip() {
        const QString value =
            "C:\\Program Files\\a&b=c+d%e_f %41%5F_+ %zz% Übergabe ñ 日本 line\r\nbreak\ttab\x7f";
        const QString encoded = wire::EncodeFieldValue(value);
        // Printable ASCII only, nothing that splits the form.
        QVERIFY2(!encoded.contains(QRegularExpression("[^\\x21-\\x7e]|[&=+ ]")), qPrintable(encoded));
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

    void splitSettingsReply() {
        QCOMPARE(wire::splitSettingsReply("0, , 5, , "),
                 QStringList({"0", "", "5", "", ""})); // empty pieces kept
        QCOMPARE(wire::splitSettingsReply("a,b, c"), QStringList({"a,b", "c"}));
        QCOMPARE(wire::splitSettingsReply(" a ,  b"), QStringList({" a ", " b"})); // nothing trimmed
        QCOMPARE(wire::splitSettingsReply("x, 12/7/2026\r\n"), QStringList({"x", "12/7/2026\r\n"}));
        QCOMPARE(wire::splitSettingsReply("C:\\a,, b"), QStringList({"C:\\a,", "b"}));
    }
};

QTEST_APPLESS_MAIN(TestWireFormat)
#include "TestWireFormat.moc"
