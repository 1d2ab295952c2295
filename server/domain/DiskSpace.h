#pragma once

#include <functional>
#include <optional>
#include <QList>
#include <QString>

namespace server {

// One of the (up to four) drives a report names.
struct DiskReading {
    QString drive;
    // Empty when the report gives no usable figure: not a number, or exactly 0, which is what an agent
    // reports for a drive that went away (it keeps the old letter).
    std::optional<double> freeBytes;
};

constexpr int kReportedDisks = 4;

// Free space in bytes from a report's figure (units of 10,000 bytes, the machine's decimal separator, which
// may be a comma); empty when it is no number or exactly 0, what an agent reports for a drive gone.
std::optional<double> reportedFreeBytes(QString text);

// The same from the figure already read as a number; empty when it is none.
std::optional<double> freeBytesFromUnits(std::optional<double> units);

// The report keys of a disk (1 to kReportedDisks): its drive, and its free space as the agent spells it
// (one of them in lower case).
const QString& diskDriveKey(int disk);
const QString& diskSpaceKey(int disk);

// The drives named in a report; `value` gives a report value by its key.
QList<DiskReading> diskReadings(const std::function<QString(const QString& key)>& value);

} // namespace server
