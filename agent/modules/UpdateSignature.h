#pragma once

#include <optional>
#include <QString>

namespace mdlGeneral {

constexpr qint64 kSignatureSize = 64; // a detached Ed25519 signature, raw bytes

// Why `file` may not be installed: its detached signature (the file `signatureFile`) is missing, malformed
// or made by none of the trusted update keys. nullopt when one of the keys signed exactly these bytes.
std::optional<QString> signatureProblem(const QString& file, const QString& signatureFile);

} // namespace mdlGeneral
