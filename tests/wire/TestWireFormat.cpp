#include "AgentKeyHash.h"
#include "DateTimeText.h"
#include "FormBytes.h"
#include "TimePageStamp.h"
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

    // The one pass that decodes every value the server takes: escapes, blanks by kind, and whatever does not
    // make an escape kept byte for byte.
    void decodedFormBytes_data() {
        QTest::addColumn<QByteArray>("value");
        QTest::addColumn<int>("blanks");
        QTest::addColumn<QByteArray>("bytes");
        const auto row = [](const char* name, const QByteArray& value, wire::Blanks blanks,
                            const QByteArray& bytes) {
            QTest::newRow(name) << value << int(blanks) << bytes;
        };
        using wire::Blanks;
        row("empty", "", Blanks::PlusAndUnderscore, "");
        row("escapes in either case", "%41%5f%C3%bc", Blanks::None, "A_\xC3\xBC");
        row("plus stays in a name", "A+B_C", Blanks::None, "A+B_C");
        row("plus a blank without the underscore rule", "A+B_C", Blanks::Plus, "A B_C");
        row("plus and underscore blanks in a value", "A+B_C", Blanks::PlusAndUnderscore, "A B C");
        row("escaped plus and underscore stay", "%2B%5F", Blanks::PlusAndUnderscore, "+_");
        row("lone percent", "100%", Blanks::None, "100%");
        row("percent and one digit at the end", "a%4", Blanks::None, "a%4");
        row("percent and a non-hex digit", "%4g%zz", Blanks::None, "%4g%zz");
        row("percent before a blank-making underscore", "%_4", Blanks::PlusAndUnderscore, "% 4");
        row("escaped percent is not decoded again", "%2541", Blanks::None, "%41");
        row("double percent", "%%41", Blanks::None, "%A");
        row("NUL", "a%00b", Blanks::None, QByteArray("a\0b", 3));
        row("not UTF-8 once decoded", "%FF%FE", Blanks::None, "\xFF\xFE");
        row("UTF-8 as it stands", "\xC3\xBC_", Blanks::PlusAndUnderscore, "\xC3\xBC ");
    }
    void decodedFormBytes() {
        QFETCH(QByteArray, value);
        QFETCH(int, blanks);
        QFETCH(QByteArray, bytes);
        QCOMPARE(wire::decodedFormBytes(value, wire::Blanks(blanks)), bytes);
    }

    // Both sides and every stored hash rely on these: keys issued before agents made their own must keep
    // matching, and the operator compares the agent's fingerprint with the server's by eye.
    void agentKeyHashAndFingerprint() {
        const QString key(64, u'0');
        QCOMPARE(wire::agentKeyHash(key), "681df247e1ece8365db91166ed273590019df392004d2ea25543335c71bbe2d2");
        QCOMPARE(wire::keyFingerprint(wire::agentKeyHash(key)), "681d-f247-e1ec-e836");
        QCOMPARE(wire::keyFingerprint(QString()), QString()); // asked without a key
        QVERIFY(wire::newAgentKey().contains(QRegularExpression("^[0-9a-f]{64}$")));
        QVERIFY(wire::newAgentKey() != wire::newAgentKey());
    }

    void splitSettingsReply() {
        QCOMPARE(wire::splitSettingsReply("0, , 5, , "),
                 QStringList({"0", "", "5", "", ""})); // empty pieces kept
        QCOMPARE(wire::splitSettingsReply("a,b, c"), QStringList({"a,b", "c"}));
        QCOMPARE(wire::splitSettingsReply(" a ,  b"), QStringList({" a ", " b"})); // nothing trimmed
        QCOMPARE(wire::splitSettingsReply("x, 12/7/2026\r\n"), QStringList({"x", "12/7/2026\r\n"}));
        QCOMPARE(wire::splitSettingsReply("C:\\a,, b"), QStringList({"C:\\a,", "b"}));
    }

    // The general form is written by hand; QLocale writes any other form, and both must read alike.
    void dateTimeText_data() {
        QTest::addColumn<QDateTime>("moment");
        QTest::addColumn<QString>("text");
        const auto row = [](const char* name, QDate date, QTime time, const char* text) {
            QTest::newRow(name) << QDateTime(date, time) << QString::fromLatin1(text);
        };
        row("afternoon", {2026, 12, 5}, {15, 4, 9}, "12/5/2026 3:04:09 PM");
        row("just after midnight", {2026, 1, 31}, {0, 0, 1}, "1/31/2026 12:00:01 AM");
        row("midnight to the second", {2026, 12, 5}, {0, 0, 0, 900}, "12/5/2026");
        row("noon", {2026, 6, 1}, {12, 0, 0}, "6/1/2026 12:00:00 PM");
        row("last second of the day", {2026, 12, 31}, {23, 59, 59, 999}, "12/31/2026 11:59:59 PM");
        row("late morning", {2027, 10, 10}, {11, 59, 0}, "10/10/2027 11:59:00 AM");
        row("three-digit year", {999, 3, 4}, {5, 6, 7}, "3/4/0999 5:06:07 AM");
        row("five-digit year", {10000, 1, 1}, {13, 0, 0}, "1/1/10000 1:00:00 PM");
    }
    void dateTimeText() {
        QFETCH(QDateTime, moment);
        QFETCH(QString, text);
        QCOMPARE(wire::dateTimeText(moment), text);
        const wire::DateTimeForm byLocale{QLocale::c(), "M/d/yyyy", "h:mm:ss AP "}; // not the general form
        QCOMPARE(wire::dateTimeText(moment, byLocale).trimmed(), text);
    }

    void timePageStamp() {
        QCOMPARE(wire::timePageStamp(QDateTime(QDate(2026, 12, 5), QTime(9, 7, 0))),
                 "12/5/2026,   9:07:00 AM     "); // always the full window
    }

    void readDateTime_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QDateTime>("moment"); // invalid: not a date-time
        const QDateTime threePm{QDate(2026, 12, 24), QTime(15, 0, 0)};
        const QDateTime midnight{QDate(2026, 12, 24), QTime(0, 0)};
        QTest::newRow("general form") << "12/24/2026 3:00:00 PM" << threePm;
        QTest::newRow("general form, blanks around") << "  12/24/2026 3:00:00 PM " << threePm;
        QTest::newRow("bare date") << "12/24/2026" << midnight;
        QTest::newRow("ISO") << "2026-12-24 15:00:00" << threePm;
        QTest::newRow("ISO with T, no seconds") << "2026-12-24T15:00" << threePm;
        QTest::newRow("ISO date alone") << "2026-12-24" << midnight;
        QTest::newRow("day first") << "24/12/2026" << QDateTime();
        QTest::newRow("30 February") << "2/30/2026" << QDateTime();
        QTest::newRow("ISO 30 February") << "2026-02-30" << QDateTime();
        QTest::newRow("hour 13 with PM") << "12/24/2026 13:00:00 PM" << QDateTime();
        QTest::newRow("empty") << "" << QDateTime();
    }
    // What one side writes the other reads; anything else is refused, never guessed.
    void readDateTime() {
        QFETCH(QString, text);
        QFETCH(QDateTime, moment);
        QCOMPARE(wire::readDateTime(text).value_or(QDateTime()), moment);
        if (moment.isValid())
            QCOMPARE(wire::readDateTime(wire::dateTimeText(moment)), moment);
    }
};

QTEST_APPLESS_MAIN(TestWireFormat)
#include "TestWireFormat.moc"
