#pragma once

#include "domain/DiskSpace.h"
#include "Result.h"

namespace server {

// The free space under which a disk counts as low, as an operator sets it: gigabytes of 10^9 bytes.
struct DiskThreshold {
    double bytes = 0;

    QString text() const; // how it is stored and shown: "10 GB"
};

// Reads an operator's entry: "10 GB", "10gb", "2.5 GB" or a plain number of GB; empty: no threshold.
// A percentage is refused with the reason, because agents report a drive's free space but not its size.
Result<std::optional<DiskThreshold>> readDiskThreshold(const QString& entry);

// The per-computer threshold when it has one, else the fleet's default (both as stored, empty for none).
std::optional<DiskThreshold> effectiveThreshold(const QString& computerText, const QString& fleetText);

// The drive with the least free space under the threshold; empty when none is (free space exactly at the
// threshold is not low) or when there is no threshold.
std::optional<DiskReading> lowDisk(const QList<DiskReading>& disks,
                                   const std::optional<DiskThreshold>& threshold);

// The drive with the least free space among those that gave a figure.
std::optional<DiskReading> fullestDisk(const QList<DiskReading>& disks);

} // namespace server
