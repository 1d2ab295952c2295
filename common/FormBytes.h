#pragma once

#include <QByteArray>
#include <QString>

namespace wire {

// Percent-decoding alone, to bytes: "%" with two hex digits becomes that byte, everything else (a lone
// "%", "+", "_") stays. The server checks these bytes before it trusts a value as text.
QByteArray percentDecodedBytes(const QString& value);

} // namespace wire
