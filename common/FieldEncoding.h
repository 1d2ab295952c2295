#pragma once

#include <QString>

namespace wire {

// Percent-encodes (UTF-8, upper-case hex) "&", "=", "+", "%", control characters and every non-ASCII
// character; blanks and underscores stay. Without it a value holding "&" or "=" would break the form.
QString escapeFormValue(const QString& value);

// The status-report value form: escapeFormValue, then a literal "_" becomes %5F and every blank "_", so an
// underscore in a value can never be mistaken for a blank.
QString EncodeFieldValue(const QString& value);

// Exact inverse of EncodeFieldValue: "_" and "+" become blanks first, then percent-decoding (UTF-8).
QString decodeFieldValue(const QString& value);

// Inverse of escapeFormValue for values sent without the underscore rule (the settings request body):
// "+" becomes a blank, then percent-decoding; "_" stays "_".
QString decodeServerCode(const QString& value);

} // namespace wire
