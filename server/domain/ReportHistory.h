#pragma once

#include <optional>
#include <QList>
#include <QString>

namespace server {

// What one stored report says over time: each folder's file count against its limit, each disk's free space.
struct FolderSample {
    int slot = 0;
    QString dir;
    std::optional<double> count; // empty: the agent sent no number (a scan error)
    std::optional<double> limit;
};

struct DiskSample {
    QString drive;
    std::optional<double> freeBytes;
};

struct HistoryReading {
    qint64 atMs = 0; // Unix milliseconds
    QList<FolderSample> folders;
    QList<DiskSample> disks;
};

// One point of a folder's line: the most files seen in its bucket and the limit they were counted against.
struct FolderPoint {
    qint64 atMs = 0; // the bucket's start, or the report's own time when nothing is merged
    std::optional<double> count;
    std::optional<double> limit;
};

// Where a folder's limit changed between two of its reports, at the later one's exact time.
struct LimitChange {
    qint64 atMs = 0;
    std::optional<double> from;
    std::optional<double> to;
};

struct FolderSeries {
    int slot = 0;
    QString dir;
    QList<FolderPoint> points;
    QList<LimitChange> limitChanges;
};

// One point of a disk's line: the least free space seen in its bucket.
struct DiskPoint {
    qint64 atMs = 0;
    std::optional<double> freeBytes;
};

struct DiskSeries {
    QString drive;
    QList<DiskPoint> points;
};

struct ReportHistory {
    qint64 bucketMs = 0; // 0: every report is a point of its own
    QList<FolderSeries> folders;
    QList<DiskSeries> disks;
};

// Builds a range's lines in one pass over its readings, oldest first. Buckets of `bucketMs` from `fromMs`
// keep what an operator must not miss: a folder's highest count, a disk's lowest free space; every change
// of a limit is kept at its exact time whatever the buckets, so that a change inside one stays visible.
class HistoryBuilder {
public:
    HistoryBuilder(qint64 fromMs, qint64 bucketMs);

    void add(const HistoryReading& reading);
    ReportHistory finish() &&;

private:
    qint64 bucketStart(qint64 atMs) const;
    void addFolder(const FolderSample& folder, qint64 atMs);
    void addDisk(const DiskSample& disk, qint64 atMs);

    qint64 m_fromMs;
    ReportHistory m_history;
    QList<std::optional<double>> m_lastLimits; // per folder series: its limit in the latest reading
};

// How wide a bucket must be for a range to give at most `points` points per line; 0 (each report a point of
// its own) when the range holds no more reports than that.
qint64 bucketWidthMs(qint64 fromMs, qint64 toMs, qint64 reportCount, int points);

} // namespace server
