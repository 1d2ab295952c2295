#pragma once

#include <optional>
#include <QHostAddress>
#include <QList>

namespace server {

// An address range allowed to read /metrics without a token, as given to --metrics-allow.
struct AddressRange {
    QHostAddress network;
    int prefixLength = 0;
};

// "10.0.0.0/8", "::1/128" or a single address (the whole address is then the range); nothing when the
// text is neither.
std::optional<AddressRange> readAddressRange(const QString& text);

// IPv4 clients reached through an IPv6 socket (::ffff:a.b.c.d) count as their IPv4 address.
bool addressAllowed(const QList<AddressRange>& ranges, const QHostAddress& client);

} // namespace server
