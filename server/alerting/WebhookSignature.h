#pragma once

#include <QByteArray>

namespace server::webhook {

// The headers a receiver reads: the event's identifier (to deduplicate on) and the body's signature.
inline constexpr char kEventIdHeader[] = "X-Kova-Event-Id";
inline constexpr char kSignatureHeader[] = "X-Kova-Signature";

// "sha256=" and the HMAC-SHA256 of the body under the shared secret, in lower-case hex: what a receiver
// recomputes to know the body came from this server unchanged.
QByteArray signature(const QByteArray& secret, const QByteArray& body);

} // namespace server::webhook
