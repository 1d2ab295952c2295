#pragma once

#include "Result.h"

#include <QByteArrayView>
#include <QString>

namespace server {

// What the server takes from an agent at most, so that nobody can fill its disk or its agents' windows.
inline constexpr qsizetype kMaxBodyBytes = 64 * 1024; // refused from the head at the edge
inline constexpr int kMaxNameLength = 64;
inline constexpr int kMaxValueLength = 1024;
inline constexpr int kMaxMessageLength = 4096; // sMessage and its twin sLastMessageDate

// Whether these bytes can be taken as text, or why not (a NUL, or not UTF-8).
Result<> checkCleanText(QByteArrayView bytes);

// Whether a computer name can be taken, or why not (empty is left to the caller).
Result<> checkComputerName(const QString& name);

// Whether the value of the report key `key` can be taken, from its decoded bytes and the text they make,
// or why not (unclean, or too long).
Result<> checkReportValue(const QString& key, QByteArrayView decoded, const QString& text);

} // namespace server
