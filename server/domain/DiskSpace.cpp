#include "domain/DiskSpace.h"

#include <array>

namespace server {
namespace {

constexpr double kDiskSpaceUnit = 10000; // agents report free space in units of 10,000 bytes

struct DiskKeys {
    QString drive;
    QString space;
};

// Written out once: every report is read by them.
const std::array<DiskKeys, kReportedDisks>& diskKeys() {
    static const auto keys = [] {
        std::array<DiskKeys, kReportedDisks> all;
        for (int disk = 1; disk <= kReportedDisks; ++disk)
            all[size_t(disk - 1)] = {QStringLiteral("sDisk%1").arg(disk),
                                     disk == 2 ? QStringLiteral("sdiskspace2")
                                               : QStringLiteral("sDiskSpace%1").arg(disk)};
        return all;
    }();
    return keys;
}

} // namespace

std::optional<double> reportedFreeBytes(QString text) {
    bool isNumber = false;
    const double units = text.replace(QLatin1Char(','), QLatin1Char('.')).trimmed().toDouble(&isNumber);
    return freeBytesFromUnits(isNumber ? std::optional(units) : std::nullopt);
}

std::optional<double> freeBytesFromUnits(std::optional<double> units) {
    return units && *units > 0 ? std::optional(*units * kDiskSpaceUnit) : std::nullopt;
}

const QString& diskDriveKey(int disk) {
    return diskKeys().at(size_t(disk - 1)).drive;
}

const QString& diskSpaceKey(int disk) {
    return diskKeys().at(size_t(disk - 1)).space;
}

QList<DiskReading> diskReadings(const std::function<QString(const QString& key)>& value) {
    QList<DiskReading> disks;
    for (int disk = 1; disk <= kReportedDisks; ++disk) {
        const QString drive = value(diskDriveKey(disk));
        if (drive.isEmpty())
            continue;
        disks << DiskReading{drive, reportedFreeBytes(value(diskSpaceKey(disk)))};
    }
    return disks;
}

} // namespace server
