#pragma once

#include "Result.h"

#include <QSslConfiguration>

namespace server {

// Restricts the configuration to TLS 1.2 with forward-secret AEAD suites (ECDHE or DHE with AES-GCM or
// ChaCha20-Poly1305) and TLS 1.3, whose suites are all of that kind.
void requireStrongTls(QSslConfiguration& configuration);

// Proves that the key belongs to the certificate by one handshake with itself on loopback: the TLS
// library refuses a mismatched pair only when a client arrives, and a server that says it listens and then
// fails every handshake is worse than one that does not start.
Result<> proveKeyMatchesCertificate(const QSslConfiguration& configuration);

} // namespace server
