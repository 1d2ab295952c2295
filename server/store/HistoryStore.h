#pragma once

#include "domain/ReportHistory.h"
#include "store/ServerStore.h"

namespace server {

// A computer's reports over a range of time, as lines of at most so many points each.
class HistoryStore {
public:
    explicit HistoryStore(ServerStore& store) : m_store(store) {}

    // Reports received from `from` up to and including `to`, read once forward; each report a point of its
    // own when there are no more than `points` of them, buckets otherwise.
    Result<ReportHistory> history(const QString& name, const QDateTime& from, const QDateTime& to,
                                  int points);

private:
    Result<qint64> countReports(const QVariantList& range);

    ServerStore& m_store;
};

} // namespace server
