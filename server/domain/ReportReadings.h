#pragma once

#include "domain/ReportHistory.h"

#include <QStringList>

namespace server {

inline constexpr int kReportedDisks = 4;

// A number as the agent wrote it; empty when it is none (a scan error, an empty limit).
std::optional<double> reportedNumber(const QString& text);
// Free space in bytes: agents report it in units of 10,000 bytes with their machine's decimal separator.
std::optional<double> reportedFreeBytes(QString text);
// The report keys for free space differ in letter case, as the agent has always sent them.
QString diskSpaceKey(int disk);

// The report keys a history reading is made of, in the order historyReading() takes their values.
const QStringList& historyReadingKeys();
HistoryReading historyReading(qint64 atMs, const QStringList& values);

} // namespace server
