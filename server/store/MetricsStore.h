#pragma once

#include "store/ServerStore.h"

#include <optional>
#include <QDateTime>

namespace server {

// One reporting computer as the metrics page shows it: its latest report's values for the keys of
// MetricsStore::keys(), with the folder paths and limits of its settings. The values stay packed as
// read and are decoded only when asked for: most of a fleet's slots are empty.
struct MetricsRow {
    QString name;
    double lastReportSeconds = 0; // Unix time
    bool silent = false;
    bool acknowledged = false;
    bool inMaintenance = false;
    bool lowDisk = false; // a disk under the computer's free-space threshold
    QByteArray packed;
    QList<std::pair<qsizetype, qsizetype>> spans; // each key's value in `packed`: start, length

    QString value(const QString& key) const;
    QByteArrayView bytes(const QString& key) const; // the value's UTF-8 text as read
};

// Reads the fleet for the metrics page a page at a time, by name, so the page never needs the whole
// fleet in memory and no statement stays open between pages.
class MetricsStore {
public:
    explicit MetricsStore(ServerStore& store) : m_store(store) {}

    static const QStringList& keys();

    // Up to `limit` computers that reported, named after `afterName` ("" for the first), by name.
    Result<QList<MetricsRow>> page(const QString& afterName, int limit, const QDateTime& now);

private:
    ServerStore& m_store;
};

} // namespace server
