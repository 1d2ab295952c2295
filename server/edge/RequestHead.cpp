#include "edge/RequestHead.h"

#include "http/ByteSearch.h"

#include <algorithm>
#include <QUrl>
#include <QVarLengthArray>

namespace server {
namespace {

const QString kBadRequestLine = QStringLiteral("the request line is not method, target and version");

bool isTokenCharacter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
           QByteArrayView("!#$%&'*+-.^_`|~").contains(c);
}

bool isToken(QByteArrayView text) {
    return !text.isEmpty() && std::all_of(text.begin(), text.end(), isTokenCharacter);
}

// The lines of a head, line ends removed; the empty line that ends it is the last. An agent's head has
// about ten lines, kept here without a heap allocation.
using HeadLines = QVarLengthArray<QByteArrayView, 32>;

HeadLines splitLines(QByteArrayView head) {
    HeadLines result;
    while (!head.isEmpty()) {
        const qsizetype end = indexOfByte(head, '\n');
        QByteArrayView line = end < 0 ? head : head.first(end);
        if (line.endsWith('\r'))
            line.chop(1);
        result.append(line);
        head = end < 0 ? QByteArrayView() : head.sliced(end + 1);
    }
    return result;
}

// A target that QUrl reads back as its path unchanged: a path of letters, digits and "/._~-" that does
// not begin with "//" (which would name a host). It is most targets, and QUrl took a quarter of reading a
// head.
bool isPlainPath(QByteArrayView target) {
    const auto plain = [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '/' ||
               c == '.' || c == '_' || c == '~' || c == '-';
    };
    return target.startsWith('/') && !target.startsWith("//") &&
           std::all_of(target.begin(), target.end(), plain);
}

// Fills the path; says whether the client speaks HTTP/1.1 (keep-alive unless it asks otherwise).
Result<bool> readRequestLine(QByteArrayView line, RequestHead& facts) {
    const qsizetype first = line.indexOf(' ');
    const qsizetype last = line.lastIndexOf(' ');
    if (first <= 0 || last <= first + 1)
        return Failure{kBadRequestLine};
    const QByteArrayView target = line.sliced(first + 1, last - first - 1);
    const QByteArrayView version = line.sliced(last + 1);
    if (!isToken(line.first(first)) || target.contains(' ') ||
        (version != "HTTP/1.1" && version != "HTTP/1.0"))
        return Failure{kBadRequestLine};
    facts.path =
        isPlainPath(target) ? target.toByteArray() : QUrl::fromEncoded(target.toByteArray()).path().toUtf8();
    return version == "HTTP/1.1";
}

bool hasToken(QByteArrayView list, QByteArrayView token) {
    for (;;) {
        const qsizetype comma = indexOfByte(list, ',');
        if (list.first(comma < 0 ? list.size() : comma).trimmed().compare(token, Qt::CaseInsensitive) == 0)
            return true;
        if (comma < 0)
            return false;
        list = list.sliced(comma + 1);
    }
}

struct Framing {
    int lengths = 0;
    int codings = 0;
    QByteArrayView length;
    QByteArrayView coding;
    QByteArrayView connection;
};

Result<> readHeaderLine(QByteArrayView line, Framing& framing) {
    const qsizetype colon = line.indexOf(':');
    if (colon < 0 || !isToken(line.first(colon)))
        return Failure{QStringLiteral("a header line has no field name")};
    const QByteArrayView name = line.first(colon);
    const QByteArrayView value = line.sliced(colon + 1).trimmed();
    if (name.compare("content-length", Qt::CaseInsensitive) == 0) {
        ++framing.lengths;
        framing.length = value;
    } else if (name.compare("transfer-encoding", Qt::CaseInsensitive) == 0) {
        ++framing.codings;
        framing.coding = value;
    } else if (name.compare("connection", Qt::CaseInsensitive) == 0) {
        framing.connection = value;
    }
    return Result<>::success();
}

Result<qint64> readLength(QByteArrayView text) {
    bool ok = false;
    const qint64 length = text.toLongLong(&ok);
    const bool digits = std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
    if (!ok || !digits || text.isEmpty() || text.size() > 18)
        return Failure{QStringLiteral("the Content-Length is not a number")};
    return length;
}

Result<> readFraming(const Framing& framing, bool keepAlive, RequestHead& facts) {
    if (framing.lengths > 1 || framing.codings > 1 || (framing.lengths && framing.codings))
        return Failure{QStringLiteral("the body's length is given twice")};
    if (framing.codings) {
        if (framing.coding.compare("chunked", Qt::CaseInsensitive) != 0)
            return Failure{QStringLiteral("the only transfer coding taken is chunked")};
        facts.chunked = true;
    }
    if (framing.lengths) {
        const auto length = readLength(framing.length);
        if (!length)
            return Failure{length.reason()};
        facts.contentLength = *length;
    }
    facts.closeRequested =
        keepAlive ? hasToken(framing.connection, "close") : !hasToken(framing.connection, "keep-alive");
    return Result<>::success();
}

} // namespace

Result<RequestHead> readRequestHead(QByteArrayView head) {
    const HeadLines lines = splitLines(head);
    if (lines.isEmpty() || !lines.last().isEmpty())
        return Failure{QStringLiteral("the head does not end with an empty line")};
    RequestHead facts;
    const auto keepAlive = readRequestLine(lines.first(), facts);
    if (!keepAlive)
        return Failure{keepAlive.reason()};
    Framing framing;
    for (qsizetype i = 1; i + 1 < lines.size(); ++i) {
        if (lines[i].startsWith(' ') || lines[i].startsWith('\t'))
            return Failure{QStringLiteral("a header line is folded")};
        if (const auto read = readHeaderLine(lines[i], framing); !read)
            return Failure{read.reason()};
    }
    if (const auto read = readFraming(framing, *keepAlive, facts); !read)
        return Failure{read.reason()};
    return facts;
}

} // namespace server
