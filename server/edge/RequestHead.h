#pragma once

#include "Result.h"

#include <QByteArray>

namespace server {

// What the edge needs from a complete request head to frame the request.
struct RequestHead {
    QByteArray path;             // decoded as the routes see it, without the query
    qint64 contentLength = 0;    // with chunked false; 0 when absent
    bool chunked = false;        // Transfer-Encoding: chunked
    bool closeRequested = false; // Connection: close, or HTTP/1.0 without keep-alive
};

// Reads a head: the request line and the header lines, each ended by LF or CRLF, and the empty line.
// Refuses what the HTTP parser behind would read differently: obsolete line folding, a header line without
// a field name, two lengths, a transfer coding other than chunked, a length that is not a plain number.
Result<RequestHead> readRequestHead(QByteArrayView head);

} // namespace server
