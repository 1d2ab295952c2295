#pragma once

#include "exchange/FormFields.h"

#include <QByteArray>
#include <QString>

namespace server {

// What the server takes from an agent at most, so that nobody can fill its disk or its agents' windows.
inline constexpr qsizetype kMaxBodyBytes = 64 * 1024; // refused from the head at the edge
inline constexpr int kMaxNameLength = 64;
inline constexpr int kMaxValueLength = 1024;
inline constexpr int kMaxMessageLength = 4096; // sMessage and its twin sLastMessageDate

// Whether these bytes can be taken as text, or why not (a NUL, or not UTF-8).
Result<> checkCleanText(const QByteArray& bytes);

// Whether a computer name can be taken, or why not (empty is left to the caller).
Result<> checkComputerName(const QString& name);

// Whether all of a report's values can be taken, or why one cannot (unclean once decoded, or too long).
Result<> checkReportValues(const FormFields& form);

} // namespace server
