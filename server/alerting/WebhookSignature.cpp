#include "alerting/WebhookSignature.h"

#include <sodium.h>

namespace server::webhook {

QByteArray signature(const QByteArray& secret, const QByteArray& body) {
    crypto_auth_hmacsha256_state state;
    unsigned char mac[crypto_auth_hmacsha256_BYTES];
    crypto_auth_hmacsha256_init(&state, reinterpret_cast<const unsigned char*>(secret.constData()),
                                static_cast<size_t>(secret.size()));
    crypto_auth_hmacsha256_update(&state, reinterpret_cast<const unsigned char*>(body.constData()),
                                  static_cast<unsigned long long>(body.size()));
    crypto_auth_hmacsha256_final(&state, mac);
    sodium_memzero(&state, sizeof state);
    return QByteArrayLiteral("sha256=") + QByteArray(reinterpret_cast<const char*>(mac), sizeof mac).toHex();
}

} // namespace server::webhook
