#pragma once

#include "edge/EdgeLimits.h"
#include "edge/Refusal.h"

#include <optional>
#include <QByteArray>

namespace server {

struct RequestHead;

// Where each request on a connection begins and ends, read from the bytes as they arrive and before the
// HTTP parser behind takes them: a head over its bounds, a body over its route's limit or framing the
// parser could read otherwise is refused here, so the parser never buffers more than the bounds allow.
// Stricter than HTTP/1.1 asks where the parser behind is lax (obsolete line folding, trailers, two lengths).
class RequestFraming {
public:
    enum class Phase { Between, Head, Body };

    struct Step {
        int completed = 0;              // requests whose last byte came in these bytes
        std::optional<Refusal> refusal; // the connection cannot go on
    };

    RequestFraming(const EdgeLimits& limits, BodyLimit bodyLimit);

    Step feed(QByteArrayView bytes);

    Phase phase() const;
    // The latest complete request asked for the connection to end after its answer.
    bool closeAfterAnswer() const { return m_closeAfterAnswer; }

private:
    enum class State { Between, Head, FixedBody, ChunkSize, ChunkData, ChunkEnd, LastChunkEnd };

    qsizetype takeHead(QByteArrayView bytes, Step& step);
    qsizetype takeFixedBody(QByteArrayView bytes, Step& step);
    qsizetype takeChunkSize(QByteArrayView bytes, Step& step);
    qsizetype takeChunkData(QByteArrayView bytes);
    qsizetype takeLineEnd(QByteArrayView bytes, Step& step);
    std::optional<Refusal> startBody(const RequestHead& head);
    std::optional<Refusal> countBody(qsizetype bytes);
    void complete(Step& step);

    const EdgeLimits m_limits;
    const BodyLimit m_bodyLimit;
    State m_state = State::Between;
    QByteArray m_line; // the head, or a chunk's size line, so far
    qsizetype m_headBytes = 0;
    qsizetype m_headLines = 0;
    qsizetype m_bodyAllowed = 0;
    qsizetype m_bodyBytes = 0;
    qsizetype m_remaining = 0; // of the fixed body or the current chunk
    bool m_closeRequested = false;
    bool m_closeAfterAnswer = false;
};

} // namespace server
