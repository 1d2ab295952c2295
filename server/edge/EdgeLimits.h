#pragma once

#include <chrono>
#include <functional>
#include <QByteArrayView>
#include <QtGlobal>

namespace server {

// What one connection may take from the server before a route sees its request. Exposed without a proxy
// in front, these bounds are all that stands between one client and the server's memory and sockets.
struct EdgeLimits {
    qsizetype headBytes = 16 * 1024;         // request line and headers together
    int headerLines = 100;                   // the HTTP parser behind gives up beyond this many
    std::chrono::milliseconds head{10'000};  // a request's head, from the connection or its first byte
    std::chrono::milliseconds idle{15'000};  // a kept-alive connection waiting for its next request
    std::chrono::milliseconds body{30'000};  // a body, from the end of its head
    std::chrono::milliseconds stall{30'000}; // an answer the client stopped reading
    std::chrono::milliseconds linger{2'000}; // a refused connection, for its answer to be read
    int perAddress = 64; // connections at once from one address (trusted proxies excepted)
    int total = 4096;    // connections at once, all addresses
};

// The largest body the route a request path names may carry.
using BodyLimit = std::function<qsizetype(QByteArrayView path)>;

} // namespace server
