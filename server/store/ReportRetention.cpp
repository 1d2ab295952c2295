#include "store/ReportRetention.h"

#include "domain/ServerClock.h"
#include "store/StoreSchema.h"

#include <QDebug>

namespace server {
namespace {

using namespace std::chrono_literals;

constexpr auto kBetweenBatches = 20ms; // leaves the event loop free for the agents in between
constexpr auto kWhenCaughtUp = 1h;
constexpr auto kAfterFailure = 1min;

} // namespace

ReportRetention::ReportRetention(ServerStore& store) : m_store(store) {
    m_timer.setSingleShot(true);
    QObject::connect(&m_timer, &QTimer::timeout, [this] { pruneBatch(); });
}

void ReportRetention::start(int keepDays) {
    m_keepDays = keepDays;
    m_timer.start(0ms);
}

void ReportRetention::pruneBatch() {
    const auto pruned = m_store.pruneReports(currentTime().addDays(-m_keepDays));
    if (!pruned) {
        qWarning().noquote() << "kova_server: old reports could not be pruned:" << pruned.reason();
        return m_timer.start(kAfterFailure);
    }
    m_timer.start(*pruned == schema::kPruneBatch ? kBetweenBatches : kWhenCaughtUp);
}

} // namespace server
