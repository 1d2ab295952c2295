#include "auth/AgentKey.h"

#include "AgentKeyHash.h"

#include <QByteArray>
#include <sodium.h>

namespace server {

bool agentKeyMatches(const QString& key, const QString& storedHash) {
    const QByteArray computed = wire::agentKeyHash(key).toLatin1();
    const QByteArray stored = storedHash.toLatin1();
    return !stored.isEmpty() && computed.size() == stored.size() &&
           sodium_memcmp(computed.constData(), stored.constData(), static_cast<size_t>(computed.size())) == 0;
}

} // namespace server
