#include "alerting/MetricsAccess.h"

namespace server {

std::optional<AddressRange> readAddressRange(const QString& text) {
    const QString trimmed = text.trimmed();
    if (!trimmed.contains(QLatin1Char('/'))) {
        QHostAddress single;
        if (!single.setAddress(trimmed))
            return std::nullopt;
        return AddressRange{single, single.protocol() == QAbstractSocket::IPv4Protocol ? 32 : 128};
    }
    const auto [network, prefix] = QHostAddress::parseSubnet(trimmed);
    if (network.isNull() || prefix < 0)
        return std::nullopt;
    return AddressRange{network, prefix};
}

bool addressAllowed(const QList<AddressRange>& ranges, const QHostAddress& client) {
    bool isMapped = false;
    const quint32 ipv4 = client.toIPv4Address(&isMapped);
    const QHostAddress address = isMapped ? QHostAddress(ipv4) : client;
    for (const AddressRange& range : ranges) {
        if (address.isInSubnet(range.network, range.prefixLength))
            return true;
    }
    return false;
}

} // namespace server
