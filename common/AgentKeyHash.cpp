#include "AgentKeyHash.h"

#include <QByteArray>
#include <QStringList>
#include <sodium.h>

namespace wire {
namespace {

constexpr size_t kKeyBytes = 32;
constexpr int kFingerprintGroups = 4;
constexpr int kGroupDigits = 4;

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

QString keyFingerprint(const QString& keyHash) {
    if (keyHash.size() < kFingerprintGroups * kGroupDigits)
        return {};
    QStringList groups;
    for (int group = 0; group < kFingerprintGroups; ++group)
        groups << keyHash.mid(group * kGroupDigits, kGroupDigits).toLower();
    return groups.join(QLatin1Char('-'));
}

} // namespace wire
