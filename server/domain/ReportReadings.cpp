#include "domain/ReportReadings.h"

#include "domain/FolderState.h"
#include "ReportKeys.h"

namespace server {
namespace {

// Per folder slot: directory, count, limit; then per disk: drive, free space.
constexpr int kFolderKeys = 3;
constexpr int kDiskKeys = 2;

} // namespace

std::optional<double> reportedNumber(const QString& text) {
    bool isNumber = false;
    const double number = text.trimmed().toDouble(&isNumber);
    return isNumber ? std::optional(number) : std::nullopt;
}

const QStringList& historyReadingKeys() {
    static const QStringList keys = [] {
        QStringList list;
        for (int slot = 1; slot <= wire::kSlotCount; ++slot)
            list << QStringLiteral("sDir%1").arg(slot) << QStringLiteral("sCount%1").arg(slot)
                 << QStringLiteral("sAlert%1").arg(slot);
        for (int disk = 1; disk <= kReportedDisks; ++disk)
            list << diskDriveKey(disk) << diskSpaceKey(disk);
        return list;
    }();
    return keys;
}

HistoryReading historyReading(qint64 atMs, const QStringList& values) {
    HistoryReading reading{atMs, {}, {}};
    for (int slot = 1; slot <= wire::kSlotCount; ++slot) {
        const qsizetype first = (slot - 1) * kFolderKeys;
        if (folderInUse(values[first]))
            reading.folders.append(
                {slot, values[first], reportedNumber(values[first + 1]), reportedNumber(values[first + 2])});
    }
    for (int disk = 1; disk <= kReportedDisks; ++disk) {
        const qsizetype first = wire::kSlotCount * kFolderKeys + (disk - 1) * kDiskKeys;
        if (!values[first].isEmpty())
            reading.disks.append({values[first], reportedFreeBytes(values[first + 1])});
    }
    return reading;
}

} // namespace server
