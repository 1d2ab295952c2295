#pragma once

#include "Result.h"

#include <QString>

namespace mdlGeneral {

constexpr qint64 kSignatureSize = 64; // a detached Ed25519 signature, raw bytes

// Success when one of the trusted update keys signed exactly the bytes of `file`; otherwise why it may not be
// installed: its detached signature (the file `signatureFile`) is missing, malformed or made by no such key.
Result<> verifySignature(const QString& file, const QString& signatureFile);

} // namespace mdlGeneral
