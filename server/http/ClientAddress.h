#pragma once

#include <QHostAddress>
#include <QList>

class QHttpServerRequest;

namespace server {

// Addresses whose X-Forwarded-For the server believes: a single address or a subnet ("10.0.0.0/8").
using TrustedProxies = QList<QPair<QHostAddress, int>>;

// The peer of an IPv4 connection on a dual-stack socket reads as ::ffff:a.b.c.d; this is a.b.c.d.
QHostAddress plainAddress(const QHostAddress& address);

bool isTrusted(const QHostAddress& address, const TrustedProxies& proxies);

// Reads a --trusted-proxy value; false when it is neither an address nor a subnet.
bool addTrustedProxy(const QString& text, TrustedProxies& proxies);

// The address of the client a request came from. Behind nginx the peer is the proxy, which appends the
// address it saw to X-Forwarded-For; anyone can send that header, so it is read only when the peer is a
// trusted proxy, and then from the right, past the trusted proxies, to the first address they did not add.
QHostAddress clientAddress(const QHostAddress& peer, const QByteArray& forwardedFor,
                           const TrustedProxies& proxies);
QHostAddress clientAddress(const QHttpServerRequest& request, const TrustedProxies& proxies);

} // namespace server
