#include "AgentForms.h"
#include "exchange/ExchangeBounds.h"
#include "exchange/FormFields.h"
#include "exchange/ReportForm.h"

#include <QStringDecoder>
#include <QtTest>

// The readers of an agent's body, below HTTP: how a form splits, which bytes pass as text, and which
// refusal a report gets first.
class TestExchangeForms : public QObject {
    Q_OBJECT

private slots:
    // "" stands for a refusal whose reason mentions `expected`; otherwise `expected` is key=raw value.
    void formSplits_data() {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QByteArray>("key");
        QTest::addColumn<QByteArray>("expected");
        QTest::addColumn<bool>("taken");
        const auto row = [](const char* name, const QByteArray& body, const QByteArray& key,
                            const QByteArray& expected,
                            bool taken) { QTest::newRow(name) << body << key << expected << taken; };
        row("one pair", "a=1", "a", "1", true);
        row("last of several", "a=1&b=2&c=3", "c", "3", true);
        row("empty value", "a=&b=2", "a", "", true);
        row("empty key", "=1&b=2", "", "1", true);
        row("value holding =", "a=b=c", "a", "b=c", true);
        row("value kept encoded", "a=%41+_", "a", "%41+_", true);
        row("key kept encoded", "%61=1", "%61", "1", true);
        row("huge value", "a=" + QByteArray(64 * 1024, 'v'), "a", QByteArray(64 * 1024, 'v'), true);
        row("leading byte order mark unnoticed",
            "\xEF\xBB\xBF"
            "a=1",
            "a", "1", true);
        row("byte order mark later kept",
            "a=1&\xEF\xBB\xBF"
            "b=2",
            "\xEF\xBB\xBF"
            "b",
            "2", true);
        row("empty body", "", "", "empty", false);
        row("byte order mark alone", "\xEF\xBB\xBF", "", "empty", false);
        row("pair without =", "a=1&b", "", "\"b\" has no", false);
        row("trailing &", "a=1&", "", "\"\" has no", false);
        row("lone &", "&", "", "\"\" has no", false);
        row("repeated key", "a=1&b=2&a=3", "", "key a is given twice", false);
        row("repeated key after a byte order mark",
            "\xEF\xBB\xBF"
            "a=1&a=2",
            "", "key a is given twice", false);
        row("byte order mark quoted as it stands",
            "a=1&\xEF\xBB\xBF"
            "b",
            "",
            "\"\xEF\xBB\xBF"
            "b\" has no",
            false);
        row("long pair quoted short", "x" + QByteArray(100, 'y'), "",
            QByteArray("\"x") + QByteArray(39, 'y') + "\"", false);
    }
    void formSplits() {
        QFETCH(QByteArray, body);
        QFETCH(QByteArray, key);
        QFETCH(QByteArray, expected);
        QFETCH(bool, taken);
        const auto form = server::FormFields::parse(body);
        QCOMPARE(form.ok(), taken);
        if (!taken) {
            QVERIFY2(form.reason().contains(QString::fromUtf8(expected)), qPrintable(form.reason()));
            return;
        }
        QVERIFY(form->contains(key));
        QCOMPARE(form->raw(key).value().toByteArray(), expected);
        QVERIFY(!form->contains("absent"));
        QVERIFY(!form->raw("absent"));
    }

    // The bytes the server refuses as text, exactly those Qt's strict UTF-8 decoder refuses.
    void cleanText_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("refusal");
        const auto row = [](const char* name, const QByteArray& bytes, const char* refusal) {
            QTest::newRow(name) << bytes << QString::fromLatin1(refusal);
        };
        row("empty", "", "");
        row("ASCII", "SRV01 C:\\a&b", "");
        row("two-, three- and four-byte characters", "\xC3\xBC\xE6\x97\xA5\xF0\x9F\x98\x80", "");
        row("byte order mark", "\xEF\xBB\xBFx", "");
        row("noncharacter U+FFFE", "\xEF\xBF\xBE", "");
        row("highest code point", "\xF4\x8F\xBF\xBF", "");
        row("NUL", QByteArray("a\0b", 3), "NUL");
        row("NUL and bad UTF-8 says NUL", QByteArray("\xFF\0", 2), "NUL");
        row("lone continuation byte", "a\x80", "UTF-8");
        row("truncated sequence at the end", "a\xC3", "UTF-8");
        row("overlong NUL", "\xC0\x80", "UTF-8");
        row("overlong slash", "\xE0\x80\xAF", "UTF-8");
        row("encoded surrogate", "\xED\xA0\x80", "UTF-8");
        row("beyond U+10FFFF", "\xF4\x90\x80\x80", "UTF-8");
        row("byte FF", "\xFF", "UTF-8");
    }
    void cleanText() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, refusal);
        const auto clean = server::checkCleanText(bytes);
        QCOMPARE(clean.ok(), refusal.isEmpty());
        QVERIFY2(clean.reason().contains(refusal), qPrintable(clean.reason()));
        if (bytes.contains('\0'))
            return;
        QStringDecoder strict(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        const QString decoded = strict.decode(bytes);
        QCOMPARE(clean.ok(), !strict.hasError());
    }

    // Values are decoded once; the name is checked for emptiness before any value's bounds, and the first
    // value out of bounds in key order is the one named.
    void reportValues_data() {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("refusal");
        const auto row = [](const char* name, const QByteArray& body, const QString& refusal) {
            QTest::newRow(name) << body << refusal;
        };
        row("as the agent sends it", reportForm("SRV01"), "");
        row("value at its bound", reportForm("SRV01", {{"sOS", QString(1024, 'x')}}), "");
        row("value at its bound in two-byte characters",
            reportForm("SRV01", {{"sOS", QString(1024, QChar(0xE9))}}), "");
        row("value one past its bound", reportForm("SRV01", {{"sOS", QString(1025, 'x')}}),
            "The value of sOS is longer than 1024 characters.");
        const QString laugh = QString::fromUtf8("\xF0\x9F\x98\x80"); // two UTF-16 units, as Qt counts
        row("four-byte characters at the bound", reportForm("SRV01", {{"sOS", laugh.repeated(512)}}), "");
        row("four-byte characters past the bound", reportForm("SRV01", {{"sOS", laugh.repeated(513)}}),
            "The value of sOS is longer than 1024 characters.");
        row("message at its bound", reportForm("SRV01", {{"sMessage", QString(4096, 'm')}}), "");
        row("message one past", reportForm("SRV01", {{"sMessage", QString(4097, 'm')}}),
            "The value of sMessage is longer than 4096 characters.");
        row("NUL escaped", reportForm("SRV01").replace("sIP=", "sIP=%00"),
            "The value of sIP holds a NUL character.");
        row("not UTF-8 escaped", reportForm("SRV01").replace("sOS=", "sOS=%C3"),
            "The value of sOS is not valid UTF-8.");
        row("first bad key in key order",
            reportForm("SRV01").replace("sOS=", "sOS=%FF").replace("sIP=", "sIP=%00"),
            "The value of sIP holds a NUL character.");
        row("empty name before a bad value", reportForm("").replace("sIP=", "sIP=%00"), "names no computer");
        row("name not UTF-8 is no empty name",
            reportForm("SRV01").replace("sComputerName=SRV01", "sComputerName=%FF"),
            "The value of sComputerName is not valid UTF-8.");
        row("missing key first", reportForm("").replace("&sIP=192.168.1.20", ""), "lacks the key(s) sIP.");
    }
    void reportValues() {
        QFETCH(QByteArray, body);
        QFETCH(QString, refusal);
        const auto form = server::FormFields::parse(body);
        QVERIFY2(form, qPrintable(form.reason()));
        const auto report = server::readStatusReport(*form);
        QVERIFY2(report.ok() == refusal.isEmpty() && report.reason().contains(refusal),
                 qPrintable(report.reason()));
    }

    // Each value as the agent meant it: blanks from "_" and "+" except in sDisable, which keeps its "_".
    void reportDecodesEachValue() {
        const QByteArray body = reportForm("Web Server_1", {{"sOS", "a+b c_d %zz Über"}})
                                    .replace("sDisable=0", "sDisable=0_1+2%5F");
        const auto form = server::FormFields::parse(body);
        QVERIFY(form);
        const auto report = server::readStatusReport(*form);
        QVERIFY2(report, qPrintable(report.reason()));
        QCOMPARE(report->computerName(), QStringLiteral("Web Server_1"));
        QCOMPARE(report->value("sOS"), QStringLiteral("a+b c_d %zz Über"));
        QCOMPARE(report->value("sDisable"), QStringLiteral("0_1 2_"));
    }
};

QTEST_APPLESS_MAIN(TestExchangeForms)
#include "TestExchangeForms.moc"
