#include "domain/DiskSpace.h"

namespace server {
namespace {
constexpr double kDiskSpaceUnit = 10000; // agents report free space in units of 10,000 bytes
} // namespace

QString diskSpaceKey(int disk) {
    return disk == 2 ? QStringLiteral("sdiskspace2") : QStringLiteral("sDiskSpace%1").arg(disk);
}

QList<DiskReading> diskReadings(const std::function<QString(const QString& key)>& value) {
    QList<DiskReading> disks;
    for (int disk = 1; disk <= kReportedDisks; ++disk) {
        const QString drive = value(QStringLiteral("sDisk%1").arg(disk));
        if (drive.isEmpty())
            continue;
        // The agent writes the decimal separator of its machine, which may be a comma.
        QString text = value(diskSpaceKey(disk));
        bool isNumber = false;
        const double units = text.replace(QLatin1Char(','), QLatin1Char('.')).trimmed().toDouble(&isNumber);
        disks << DiskReading{drive,
                             isNumber && units > 0 ? std::optional(units * kDiskSpaceUnit) : std::nullopt};
    }
    return disks;
}

} // namespace server
