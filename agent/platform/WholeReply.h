#pragma once

#include "Result.h"

class QNetworkReply;

namespace platform {

// What makes an HTTP answer unusable as a whole, exact body; each check fails with the reason.

// Its head: an encoded body (the agent asks for none, so it could only be stored still encoded) or a
// declared length above `sizeBound`.
Result<> checkHead(const QNetworkReply& reply, qint64 sizeBound);

// Its end: fewer or more body bytes than the Content-Length it declared. A connection that closes early can
// look like a normal end to Qt.
Result<> checkLength(const QNetworkReply& reply, qint64 received);

// A body that grows past `sizeBound` while it arrives.
Result<> checkSize(qint64 received, qint64 sizeBound);

} // namespace platform
