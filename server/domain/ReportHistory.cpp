#include "domain/ReportHistory.h"

#include <algorithm>

namespace server {
namespace {

// Whether `candidate` is further than `kept` in the direction that matters; a number beats no number.
bool beyond(const std::optional<double>& candidate, const std::optional<double>& kept, bool higher) {
    if (!candidate)
        return false;
    if (!kept)
        return true;
    return higher ? *candidate > *kept : *candidate < *kept;
}

} // namespace

HistoryBuilder::HistoryBuilder(qint64 fromMs, qint64 bucketMs) : m_fromMs(fromMs) {
    m_history.bucketMs = bucketMs;
}

qint64 HistoryBuilder::bucketStart(qint64 atMs) const {
    const qint64 width = m_history.bucketMs;
    if (width <= 0)
        return atMs;
    const qint64 offset = atMs - m_fromMs;
    // A report before the range's start (the clock stepped back) still lands in a bucket of its own.
    const qint64 index = offset >= 0 ? offset / width : -((-offset + width - 1) / width);
    return m_fromMs + index * width;
}

void HistoryBuilder::add(const HistoryReading& reading) {
    for (const FolderSample& folder : reading.folders)
        addFolder(folder, reading.atMs);
    for (const DiskSample& disk : reading.disks)
        addDisk(disk, reading.atMs);
}

void HistoryBuilder::addFolder(const FolderSample& folder, qint64 atMs) {
    const auto found =
        std::find_if(m_history.folders.begin(), m_history.folders.end(),
                     [&](const FolderSeries& s) { return s.slot == folder.slot && s.dir == folder.dir; });
    const qsizetype index = found - m_history.folders.begin();
    if (found == m_history.folders.end()) {
        m_history.folders.append({folder.slot, folder.dir, {}, {}});
        m_lastLimits.append(folder.limit);
    }
    FolderSeries& series = m_history.folders[index];
    if (m_lastLimits[index] != folder.limit)
        series.limitChanges.append({atMs, m_lastLimits[index], folder.limit});
    m_lastLimits[index] = folder.limit;
    const qint64 start = bucketStart(atMs);
    if (series.points.isEmpty() || series.points.last().atMs != start) {
        series.points.append({start, folder.count, folder.limit});
        return;
    }
    // The limit goes with the highest count, so that the point tells whether the folder was over it.
    FolderPoint& point = series.points.last();
    if (beyond(folder.count, point.count, true) || (folder.count && folder.count == point.count)) {
        point.count = folder.count;
        point.limit = folder.limit;
    }
}

void HistoryBuilder::addDisk(const DiskSample& disk, qint64 atMs) {
    auto found = std::find_if(m_history.disks.begin(), m_history.disks.end(),
                              [&](const DiskSeries& s) { return s.drive == disk.drive; });
    if (found == m_history.disks.end()) {
        m_history.disks.append({disk.drive, {}});
        found = m_history.disks.end() - 1;
    }
    const qint64 start = bucketStart(atMs);
    if (found->points.isEmpty() || found->points.last().atMs != start) {
        found->points.append({start, disk.freeBytes});
        return;
    }
    DiskPoint& point = found->points.last();
    if (beyond(disk.freeBytes, point.freeBytes, false))
        point.freeBytes = disk.freeBytes;
}

ReportHistory HistoryBuilder::finish() && {
    return std::move(m_history);
}

qint64 bucketWidthMs(qint64 fromMs, qint64 toMs, qint64 reportCount, int points) {
    if (reportCount <= points || toMs <= fromMs)
        return 0;
    return (toMs - fromMs + points - 1) / points;
}

} // namespace server
