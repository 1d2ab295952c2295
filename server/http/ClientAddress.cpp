#include "http/ClientAddress.h"

#include <QHttpServerRequest>

namespace server {

QHostAddress plainAddress(const QHostAddress& address) {
    bool isV4 = false;
    const quint32 v4 = address.toIPv4Address(&isV4);
    return isV4 ? QHostAddress(v4) : address;
}

bool isTrusted(const QHostAddress& address, const TrustedProxies& proxies) {
    const QHostAddress candidate = plainAddress(address);
    for (const auto& subnet : proxies) {
        if (candidate.isInSubnet(subnet))
            return true;
    }
    return false;
}

namespace {

QByteArray forwardedForHeader(const QHttpServerRequest& request) {
    QByteArrayList values;
    for (const auto& [name, value] : request.headers()) {
        if (name.compare("X-Forwarded-For", Qt::CaseInsensitive) == 0)
            values << value;
    }
    return values.join(',');
}

} // namespace

bool addTrustedProxy(const QString& text, TrustedProxies& proxies) {
    const QHostAddress single(text);
    if (!single.isNull()) {
        proxies << qMakePair(plainAddress(single),
                             single.protocol() == QAbstractSocket::IPv6Protocol ? 128 : 32);
        return true;
    }
    const auto subnet = QHostAddress::parseSubnet(text);
    if (subnet.first.isNull())
        return false;
    proxies << subnet;
    return true;
}

QHostAddress clientAddress(const QHostAddress& peer, const QByteArray& forwardedFor,
                           const TrustedProxies& proxies) {
    QHostAddress client = plainAddress(peer);
    if (!isTrusted(client, proxies))
        return client;
    const QByteArrayList hops = forwardedFor.split(',');
    for (auto hop = hops.crbegin(); hop != hops.crend(); ++hop) {
        const QHostAddress address(QString::fromLatin1(hop->trimmed()));
        if (address.isNull()) // a garbled hop: nothing left of it can be believed
            return client;
        client = plainAddress(address);
        if (!isTrusted(client, proxies))
            return client;
    }
    return client;
}

// The header is gathered only when it is to be read.
QHostAddress clientAddress(const QHttpServerRequest& request, const TrustedProxies& proxies) {
    const QHostAddress peer = plainAddress(request.remoteAddress());
    if (!isTrusted(peer, proxies))
        return peer;
    return clientAddress(peer, forwardedForHeader(request), proxies);
}

} // namespace server
