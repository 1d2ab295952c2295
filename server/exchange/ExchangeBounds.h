#pragma once

#include "exchange/FormFields.h"

#include <QByteArray>
#include <QString>

namespace server {

// What the server takes from an agent at most, so that nobody can fill its disk or its agents' windows.
inline constexpr qsizetype kMaxBodyBytes = 64 * 1024;
inline constexpr int kMaxNameLength = 64;
inline constexpr int kMaxValueLength = 1024;
inline constexpr int kMaxMessageLength = 4096; // sMessage and its twin sLastMessageDate

// Why these bytes cannot be taken as text (a NUL, or not UTF-8), or empty when they can.
QString uncleanTextReason(const QByteArray& bytes);

// Why a computer name cannot be taken (empty is left to the caller), or empty when it can.
QString badNameReason(const QString& name);

// Why one of a report's values cannot be taken (unclean once decoded, or too long), or empty.
QString badReportValueReason(const FormFields& form);

} // namespace server
