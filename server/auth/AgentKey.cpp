#include "auth/AgentKey.h"

#include <QByteArray>
#include <sodium.h>

namespace server {
namespace {

constexpr size_t kKeyBytes = 32;

void initialiseSodium() {
    static const bool ready = sodium_init() >= 0;
    Q_ASSERT(ready);
}

} // namespace

QString newAgentKey() {
    initialiseSodium();
    QByteArray key(kKeyBytes, Qt::Uninitialized);
    randombytes_buf(key.data(), kKeyBytes);
    return QString::fromLatin1(key.toHex());
}

QString agentKeyHash(const QString& key) {
    initialiseSodium();
    const QByteArray text = key.toUtf8();
    QByteArray hash(crypto_generichash_BYTES, Qt::Uninitialized);
    crypto_generichash(reinterpret_cast<unsigned char*>(hash.data()), crypto_generichash_BYTES,
                       reinterpret_cast<const unsigned char*>(text.constData()),
                       static_cast<unsigned long long>(text.size()), nullptr, 0);
    return QString::fromLatin1(hash.toHex());
}

bool agentKeyMatches(const QString& key, const QString& storedHash) {
    const QByteArray computed = agentKeyHash(key).toLatin1();
    const QByteArray stored = storedHash.toLatin1();
    return !stored.isEmpty() && computed.size() == stored.size() &&
           sodium_memcmp(computed.constData(), stored.constData(), static_cast<size_t>(computed.size())) == 0;
}

} // namespace server
