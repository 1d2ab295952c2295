#pragma once

#include <QByteArray>
#include <QByteArrayView>

namespace wire {

// Which characters a decoding turns into blanks besides percent-decoding: none (the settings request's
// name), "+" (a value escaped without the underscore rule) or "+" and "_" (a status-report value).
enum class Blanks { None, Plus, PlusAndUnderscore };

// Percent-decoding in one pass over the bytes: "%" with two hex digits becomes that byte, a blank-making
// character a blank, everything else (a lone "%" included) stays. The server checks these bytes before it
// trusts a value as text.
QByteArray decodedFormBytes(QByteArrayView value, Blanks blanks);

} // namespace wire
