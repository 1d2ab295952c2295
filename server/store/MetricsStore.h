#pragma once

#include "store/ServerStore.h"

#include <array>
#include <QDateTime>

namespace server {

// Where each report value stands in a MetricsRow.
namespace metricsKey {
inline constexpr int kVersion = 0;
inline constexpr int kMessage = 1;
inline constexpr int kSettingTime = 2;
constexpr int dir(int slot) {
    return 2 + slot;
} // slots 1 to 10
constexpr int limit(int slot) {
    return 12 + slot;
}
constexpr int files(int slot) {
    return 22 + slot;
}
constexpr int disk(int disk) {
    return 32 + disk;
} // disks 1 to 4
constexpr int diskSpace(int disk) {
    return 36 + disk;
}
inline constexpr int kCount = 41;
} // namespace metricsKey

// One reporting computer as the metrics page shows it: its latest report's values, with the folder paths
// and limits of its settings, kept as the UTF-8 bytes read.
struct MetricsRow {
    QString name;
    QByteArray utf8Name;
    double lastReportSeconds = 0; // Unix time
    bool silent = false;
    bool acknowledged = false;
    bool inMaintenance = false;
    bool lowDisk = false; // a disk under the computer's free-space threshold
    QByteArray values;    // every value, one after the other
    std::array<std::pair<qsizetype, qsizetype>, metricsKey::kCount> spans{}; // start, length in `values`

    QByteArrayView bytes(int key) const; // a metricsKey
};

// Reads the fleet for the metrics page a page at a time, by name, so the page never needs the whole
// fleet's rows in memory and no statement stays open between pages.
class MetricsStore {
public:
    explicit MetricsStore(ServerStore& store) : m_store(store) {}

    // Up to `limit` computers that reported, named after `afterName` ("" for the first), by name.
    Result<QList<MetricsRow>> page(const QString& afterName, int limit, const QDateTime& now);

private:
    Result<> addActions(QList<MetricsRow>& rows, const QString& afterName, const QDateTime& now);

    ServerStore& m_store;
};

} // namespace server
