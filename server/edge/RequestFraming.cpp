#include "edge/RequestFraming.h"

#include "edge/RequestHead.h"
#include "http/ByteSearch.h"

#include <algorithm>
#include <cctype>

namespace server {
namespace {

// A chunk's size line: up to 15 hex digits and a short extension.
constexpr qsizetype kMaxChunkSizeLine = 64;

// The parser behind skips these before a request line, as left over from the previous request.
bool isLeadingSpace(char c) {
    return c == '\r' || c == '\n' || c == ' ' || c == '\t' || c == '\v';
}

std::optional<qint64> chunkSize(QByteArrayView line) {
    if (!line.endsWith("\r\n"))
        return std::nullopt;
    line.chop(2);
    if (const qsizetype extension = line.indexOf(';'); extension >= 0)
        line.truncate(extension);
    bool ok = false;
    const qint64 size = line.toLongLong(&ok, 16);
    const bool hex = std::all_of(line.begin(), line.end(), [](char c) { return std::isxdigit(uchar(c)); });
    if (!ok || !hex || line.isEmpty() || line.size() > 15)
        return std::nullopt;
    return size;
}

} // namespace

RequestFraming::RequestFraming(const EdgeLimits& limits, BodyLimit bodyLimit)
    : m_limits(limits), m_bodyLimit(std::move(bodyLimit)) {}

RequestFraming::Phase RequestFraming::phase() const {
    switch (m_state) {
    case State::Between:
        return Phase::Between;
    case State::Head:
        return Phase::Head;
    default:
        return Phase::Body;
    }
}

RequestFraming::Step RequestFraming::feed(QByteArrayView bytes) {
    Step step;
    while (!bytes.isEmpty() && !step.refusal) {
        qsizetype taken = 0;
        switch (m_state) {
        case State::Between:
            m_state = State::Head;
            m_line.clear();
            m_headBytes = 0;
            m_headLines = 0;
            continue;
        case State::Head:
            taken = takeHead(bytes, step);
            break;
        case State::FixedBody:
            taken = takeFixedBody(bytes, step);
            break;
        case State::ChunkSize:
            taken = takeChunkSize(bytes, step);
            break;
        case State::ChunkData:
            taken = takeChunkData(bytes);
            break;
        case State::ChunkEnd:
        case State::LastChunkEnd:
            taken = takeLineEnd(bytes, step);
            break;
        }
        bytes = bytes.sliced(taken);
    }
    return step;
}

// Line by line up to the empty line that ends the head. A head that arrives whole is read where it lies;
// only one split across reads is kept until the rest comes.
qsizetype RequestFraming::takeHead(QByteArrayView bytes, Step& step) {
    qsizetype start = 0;
    while (m_line.isEmpty() && start < bytes.size() && isLeadingSpace(bytes[start]))
        ++start;
    m_headBytes += start;
    const auto tooLarge = [&] {
        if (m_headBytes > m_limits.headBytes || m_headLines > m_limits.headerLines + 2)
            step.refusal = Refusal::HeadTooLarge;
        return step.refusal.has_value();
    };
    if (tooLarge())
        return start;
    // The byte at k in these bytes or, before them, in what was kept of the head.
    const auto byteAt = [&](qsizetype k) {
        const qsizetype kept = m_line.size() - (start - k);
        return k >= start ? bytes[k] : kept >= 0 ? m_line[kept] : '\0';
    };
    qsizetype taken = start;
    bool ended = false;
    while (taken < bytes.size() && !ended) {
        const qsizetype end = indexOfByte(bytes, '\n', taken);
        const qsizetype next = end < 0 ? bytes.size() : end + 1;
        m_headBytes += next - taken;
        m_headLines += end < 0 ? 0 : 1;
        taken = next;
        if (tooLarge())
            return taken;
        ended = end >= 0 && (byteAt(end - 1) == '\n' || (byteAt(end - 1) == '\r' && byteAt(end - 2) == '\n'));
    }
    const QByteArrayView piece = bytes.sliced(start, taken - start);
    if (!ended) {
        m_line.append(piece);
        return taken;
    }
    const auto head = readRequestHead(m_line.isEmpty() ? piece : QByteArrayView(m_line.append(piece)));
    step.refusal = head ? startBody(*head) : Refusal::BadRequest;
    if (!step.refusal && m_state == State::Head)
        complete(step);
    return taken;
}

std::optional<Refusal> RequestFraming::startBody(const RequestHead& head) {
    m_closeRequested = head.closeRequested;
    m_bodyAllowed = m_bodyLimit(head.path);
    m_bodyBytes = 0;
    m_line.clear();
    if (head.chunked) {
        m_state = State::ChunkSize;
    } else if (head.contentLength > m_bodyAllowed) {
        return Refusal::BodyTooLarge;
    } else if (head.contentLength > 0) {
        m_remaining = head.contentLength;
        m_state = State::FixedBody;
    }
    return std::nullopt;
}

qsizetype RequestFraming::takeFixedBody(QByteArrayView bytes, Step& step) {
    const qsizetype taken = qMin(m_remaining, bytes.size());
    m_remaining -= taken;
    if (m_remaining == 0)
        complete(step);
    return taken;
}

// Chunk framing counts against the body's limit too, so that a stream of tiny chunks is bounded as well.
std::optional<Refusal> RequestFraming::countBody(qsizetype bytes) {
    m_bodyBytes += bytes;
    return m_bodyBytes > m_bodyAllowed ? std::optional(Refusal::BodyTooLarge) : std::nullopt;
}

qsizetype RequestFraming::takeChunkSize(QByteArrayView bytes, Step& step) {
    const qsizetype end = indexOfByte(bytes, '\n');
    const qsizetype taken = end < 0 ? bytes.size() : end + 1;
    m_line.append(bytes.first(taken));
    if ((step.refusal = countBody(taken)))
        return taken;
    if (m_line.size() > kMaxChunkSizeLine) {
        step.refusal = Refusal::BadRequest;
    } else if (end >= 0) {
        const auto size = chunkSize(m_line);
        m_line.clear();
        if (!size)
            step.refusal = Refusal::BadRequest;
        else if (*size > m_bodyAllowed - m_bodyBytes)
            step.refusal = Refusal::BodyTooLarge;
        m_remaining = size.value_or(0);
        m_state = m_remaining == 0 ? State::LastChunkEnd : State::ChunkData;
    }
    return taken;
}

qsizetype RequestFraming::takeChunkData(QByteArrayView bytes) {
    const qsizetype taken = qMin(m_remaining, bytes.size());
    m_bodyBytes += taken; // within the limit: the chunk's size was checked against it
    m_remaining -= taken;
    if (m_remaining == 0)
        m_state = State::ChunkEnd;
    return taken;
}

// The CRLF after a chunk's data, or the one that ends the body (no trailers: the parser behind has none).
qsizetype RequestFraming::takeLineEnd(QByteArrayView bytes, Step& step) {
    m_line.append(bytes.first(1));
    if ((step.refusal = countBody(1)))
        return 1;
    if (m_line == "\r")
        return 1;
    if (m_line != "\r\n") {
        step.refusal = Refusal::BadRequest;
    } else if (m_state == State::LastChunkEnd) {
        complete(step);
    } else {
        m_line.clear();
        m_state = State::ChunkSize;
    }
    return 1;
}

void RequestFraming::complete(Step& step) {
    ++step.completed;
    m_closeAfterAnswer = m_closeRequested;
    m_line.clear();
    m_state = State::Between;
}

} // namespace server
