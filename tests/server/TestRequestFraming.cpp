// Where requests begin and end on a connection, and what the edge refuses before the HTTP parser reads it.
#include "edge/RequestFraming.h"
#include "edge/RequestHead.h"

#include <QtTest>

namespace {

using server::RequestFraming;

// The exchange takes 100 bytes here, every other path none.
server::EdgeLimits limits() {
    server::EdgeLimits bounds;
    bounds.headBytes = 256;
    bounds.headerLines = 5;
    return bounds;
}

qsizetype bodyLimit(QByteArrayView path) {
    return path == "/exchange" ? 100 : 0;
}

QByteArray post(const QByteArray& headers, const QByteArray& body = {}) {
    return "POST /exchange HTTP/1.1\r\nHost: h\r\n" + headers + "\r\n" + body;
}

struct Outcome {
    int completed = 0;
    QString refusal;
    bool closeAfter = false;
    int phase = 0;
};

// Where the reads happen to split the stream must not matter: pieces of `piece` bytes, the last shorter.
Outcome frame(const QByteArray& stream, qsizetype piece) {
    RequestFraming framing(limits(), bodyLimit);
    Outcome outcome;
    for (qsizetype at = 0; at < stream.size() && outcome.refusal.isEmpty(); at += piece) {
        const auto step = framing.feed(QByteArrayView(stream).sliced(at, qMin(piece, stream.size() - at)));
        outcome.completed += step.completed;
        if (step.refusal)
            outcome.refusal = QString::fromLatin1(server::refusalLabel(*step.refusal));
    }
    outcome.closeAfter = framing.closeAfterAnswer();
    outcome.phase = int(framing.phase());
    return outcome;
}

} // namespace

class TestRequestFraming : public QObject {
    Q_OBJECT

private slots:
    void framing_data() {
        QTest::addColumn<QByteArray>("stream");
        QTest::addColumn<int>("completed");
        QTest::addColumn<QString>("refusal");
        QTest::addColumn<bool>("closeAfter");
        QTest::addColumn<int>("phase"); // 0 between requests, 1 in a head, 2 in a body
        const QByteArray get = "GET /time HTTP/1.1\r\nHost: h\r\n\r\n";
        const QByteArray chunked = "Transfer-Encoding: chunked\r\n";

        QTest::newRow("a GET") << get << 1 << "" << false << 0;
        QTest::newRow("pipelined GETs") << get + get + get << 3 << "" << false << 0;
        QTest::newRow("bare LF line ends")
            << QByteArray("GET / HTTP/1.1\nHost: h\n\n") << 1 << "" << false << 0;
        QTest::newRow("blank lines before a request are skipped")
            << "\r\n\r\n" + get << 1 << "" << false << 0;
        QTest::newRow("no headers at all") << QByteArray("GET / HTTP/1.1\r\n\r\n") << 1 << "" << false << 0;
        QTest::newRow("half a head") << QByteArray("GET /time HTTP/1.1\r\nHo") << 0 << "" << false << 1;
        QTest::newRow("body with its length")
            << post("Content-Length: 5\r\n", "abcde") << 1 << "" << false << 0;
        QTest::newRow("body still coming") << post("Content-Length: 5\r\n", "abc") << 0 << "" << false << 2;
        QTest::newRow("body then the next request")
            << post("Content-Length: 5\r\n", "abcde") + get << 2 << "" << false << 0;
        QTest::newRow("body at the limit")
            << post("Content-Length: 100\r\n", QByteArray(100, 'x')) << 1 << "" << false << 0;

        QTest::newRow("length over the limit, refused from the head")
            << post("Content-Length: 101\r\n") << 0 << "body_too_large" << false << 2;
        QTest::newRow("any body where the route takes none")
            << QByteArray("POST /time HTTP/1.1\r\nContent-Length: 1\r\n\r\nx") << 0 << "body_too_large"
            << false << 2;
        QTest::newRow("a 300 MB announcement")
            << post("Content-Length: 300000000\r\n") << 0 << "body_too_large" << false << 2;

        QTest::newRow("chunked body")
            << post(chunked, "5\r\nabcde\r\n3;ext=1\r\nfgh\r\n0\r\n\r\n") + get << 2 << "" << false << 0;
        QTest::newRow("chunk announced over the limit")
            << post(chunked, "65\r\n") << 0 << "body_too_large" << false << 2;
        QTest::newRow("chunks adding up over the limit")
            << post(chunked, "32\r\n" + QByteArray(50, 'x') + "\r\n32\r\n") << 0 << "body_too_large" << false
            << 2;
        QTest::newRow("many empty-ish chunks count their framing too")
            << post(chunked, QByteArray("1\r\nx\r\n").repeated(20)) << 0 << "body_too_large" << false << 2;
        QTest::newRow("chunk size not hex") << post(chunked, "zz\r\n") << 0 << "bad_request" << false << 2;
        QTest::newRow("chunk data not followed by CRLF")
            << post(chunked, "1\r\nxy") << 0 << "bad_request" << false << 2;
        QTest::newRow("trailers after the last chunk")
            << post(chunked, "0\r\nX-Trailer: 1\r\n\r\n") << 0 << "bad_request" << false << 2;

        QTest::newRow("head over its bytes")
            << "GET / HTTP/1.1\r\nX: " + QByteArray(300, 'a') << 0 << "head_too_large" << false << 1;
        QTest::newRow("endless blank lines") << QByteArray(300, '\n') << 0 << "head_too_large" << false << 1;
        QTest::newRow("too many header lines")
            << "GET / HTTP/1.1\r\n" + QByteArray("A: b\r\n").repeated(6) + "\r\n"
            << 0 << "head_too_large" << false << 1;

        QTest::newRow("two lengths") << post("Content-Length: 1\r\nContent-Length: 1\r\n", "x") << 0
                                     << "bad_request" << false << 1;
        QTest::newRow("length and chunked")
            << post("Content-Length: 1\r\n" + chunked) << 0 << "bad_request" << false << 1;
        QTest::newRow("length not a number")
            << post("Content-Length: 1x\r\n") << 0 << "bad_request" << false << 1;
        QTest::newRow("negative length")
            << post("Content-Length: -1\r\n") << 0 << "bad_request" << false << 1;
        QTest::newRow("other transfer coding")
            << post("Transfer-Encoding: gzip, chunked\r\n") << 0 << "bad_request" << false << 1;
        QTest::newRow("folded header line")
            << post("X-A: 1\r\n  more\r\n") << 0 << "bad_request" << false << 1;
        QTest::newRow("header line without a name") << post(": 1\r\n") << 0 << "bad_request" << false << 1;
        QTest::newRow("not HTTP/1.x")
            << QByteArray("GET / HTTP/2.0\r\n\r\n") << 0 << "bad_request" << false << 1;
        QTest::newRow("request line of two words")
            << QByteArray("GET /\r\n\r\n") << 0 << "bad_request" << false << 1;

        QTest::newRow("Connection: close")
            << QByteArray("GET / HTTP/1.1\r\nConnection: Close\r\n\r\n") << 1 << "" << true << 0;
        QTest::newRow("close among other tokens")
            << QByteArray("GET / HTTP/1.1\r\nConnection: TE, close\r\n\r\n") << 1 << "" << true << 0;
        QTest::newRow("HTTP/1.0 closes unless kept alive")
            << QByteArray("GET / HTTP/1.0\r\n\r\n") << 1 << "" << true << 0;
        QTest::newRow("HTTP/1.0 kept alive")
            << QByteArray("GET / HTTP/1.0\r\nConnection: keep-alive\r\n\r\n") << 1 << "" << false << 0;
        QTest::newRow("the latest request decides")
            << QByteArray("GET / HTTP/1.1\r\nConnection: close\r\n\r\n") + get << 2 << "" << false << 0;
    }
    void framing() {
        QFETCH(QByteArray, stream);
        QFETCH(int, completed);
        QFETCH(QString, refusal);
        QFETCH(bool, closeAfter);
        QFETCH(int, phase);
        // whole, a byte at a time, and pieces that hold a line end and part of the next line
        for (const qsizetype piece : {std::max<qsizetype>(stream.size(), 1), qsizetype(1), qsizetype(7)}) {
            const Outcome outcome = frame(stream, piece);
            QCOMPARE(outcome.refusal, refusal);
            QCOMPARE(outcome.completed, completed);
            if (refusal.isEmpty()) {
                QCOMPARE(outcome.closeAfter, closeAfter);
                QCOMPARE(outcome.phase, phase);
            }
        }
    }

    // The path that picks the body's limit is the one the routes see, which Qt reads from the target.
    void pathAsTheRoutesSeeIt_data() {
        QTest::addColumn<QByteArray>("target");
        for (const char* target :
             {"/kova/exchange", "/", "/a/./b", "/a/../b", "/~x-y_z.1", "//host/x", "/a%2Fb", "/a%20b",
              "/a?x=1", "/a#f", "*", "http://h/x", "/caf\xC3\xA9", "/a+b"})
            QTest::newRow(target) << QByteArray(target);
    }
    void pathAsTheRoutesSeeIt() {
        QFETCH(QByteArray, target);
        const auto head = server::readRequestHead("GET " + target + " HTTP/1.1\r\nHost: h\r\n\r\n");
        QVERIFY2(head.ok(), qPrintable(head.reason()));
        QCOMPARE(head->path, QUrl::fromEncoded(target).path().toUtf8());
    }
};

QTEST_APPLESS_MAIN(TestRequestFraming)
#include "TestRequestFraming.moc"
