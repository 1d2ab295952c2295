#pragma once

#include "domain/DiskSpace.h"
#include "domain/ReportHistory.h"

#include <QStringList>

namespace server {

// A number as the agent wrote it; empty when it is none (a scan error, an empty limit).
std::optional<double> reportedNumber(const QString& text);

// The report keys a history reading is made of, in the order historyReading() takes their values.
const QStringList& historyReadingKeys();
HistoryReading historyReading(qint64 atMs, const QStringList& values);

} // namespace server
