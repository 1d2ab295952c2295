#include "domain/DiskSpace.h"

namespace server {
namespace {
constexpr double kDiskSpaceUnit = 10000; // agents report free space in units of 10,000 bytes
} // namespace

std::optional<double> reportedFreeBytes(QString text) {
    bool isNumber = false;
    const double units = text.replace(QLatin1Char(','), QLatin1Char('.')).trimmed().toDouble(&isNumber);
    return freeBytesFromUnits(isNumber ? std::optional(units) : std::nullopt);
}

std::optional<double> freeBytesFromUnits(std::optional<double> units) {
    return units && *units > 0 ? std::optional(*units * kDiskSpaceUnit) : std::nullopt;
}

QString diskSpaceKey(int disk) {
    return disk == 2 ? QStringLiteral("sdiskspace2") : QStringLiteral("sDiskSpace%1").arg(disk);
}

QList<DiskReading> diskReadings(const std::function<QString(const QString& key)>& value) {
    QList<DiskReading> disks;
    for (int disk = 1; disk <= kReportedDisks; ++disk) {
        const QString drive = value(QStringLiteral("sDisk%1").arg(disk));
        if (drive.isEmpty())
            continue;
        disks << DiskReading{drive, reportedFreeBytes(value(diskSpaceKey(disk)))};
    }
    return disks;
}

} // namespace server
