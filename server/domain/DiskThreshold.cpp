#include "domain/DiskThreshold.h"

#include <QRegularExpression>

namespace server {
namespace {
constexpr double kBytesPerGigabyte = 1e9;
constexpr double kLargestGigabytes = 1e6; // a petabyte: beyond any single drive an agent watches
} // namespace

QString DiskThreshold::text() const {
    return QStringLiteral("%1 GB").arg(QString::number(bytes / kBytesPerGigabyte, 'g', 12));
}

Result<std::optional<DiskThreshold>> readDiskThreshold(const QString& entry) {
    const QString trimmed = entry.trimmed();
    if (trimmed.isEmpty())
        return std::optional<DiskThreshold>();
    if (trimmed.endsWith(QLatin1Char('%')))
        return Failure{
            QStringLiteral("Give the threshold in GB (for example \"10 GB\"): agents report how much "
                           "space is free on a drive but not its size, so a percentage cannot be "
                           "checked.")};
    static const QRegularExpression form(QStringLiteral("^([0-9]+(?:[.,][0-9]+)?)\\s*(?:GB)?$"),
                                         QRegularExpression::CaseInsensitiveOption);
    const auto match = form.match(trimmed);
    const double gigabytes =
        match.hasMatch() ? match.captured(1).replace(QLatin1Char(','), QLatin1Char('.')).toDouble() : -1;
    if (gigabytes <= 0 || gigabytes > kLargestGigabytes)
        return Failure{QStringLiteral("\"%1\" is no threshold: give a number of GB above 0 and up to %2, "
                                      "for example \"10 GB\", or leave it empty for none.")
                           .arg(entry)
                           .arg(kLargestGigabytes, 0, 'f', 0)};
    return std::optional(DiskThreshold{gigabytes * kBytesPerGigabyte});
}

std::optional<DiskThreshold> effectiveThreshold(const QString& computerText, const QString& fleetText) {
    const auto own = readDiskThreshold(computerText);
    if (own && *own)
        return *own;
    const auto fleet = readDiskThreshold(fleetText);
    return fleet ? *fleet : std::nullopt;
}

std::optional<DiskReading> fullestDisk(const QList<DiskReading>& disks) {
    std::optional<DiskReading> fullest;
    for (const DiskReading& disk : disks) {
        if (disk.freeBytes && (!fullest || *disk.freeBytes < *fullest->freeBytes))
            fullest = disk;
    }
    return fullest;
}

std::optional<DiskReading> lowDisk(const QList<DiskReading>& disks,
                                   const std::optional<DiskThreshold>& threshold) {
    const auto fullest = fullestDisk(disks);
    if (!threshold || !fullest || *fullest->freeBytes >= threshold->bytes)
        return std::nullopt;
    return fullest;
}

} // namespace server
