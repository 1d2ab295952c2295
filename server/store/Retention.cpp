#include "store/Retention.h"

#include "domain/ServerClock.h"
#include "store/RetentionSchema.h"
#include "store/StoreSchema.h"

#include <QDebug>

namespace server {
namespace {

using namespace std::chrono_literals;

constexpr auto kBetweenBatches = 20ms; // leaves the event loop free for the agents in between
constexpr auto kWhenCaughtUp = 1h;
constexpr auto kAfterFailure = 1min;

} // namespace

Retention::Retention(ServerStore& store) : m_store(store) {
    m_timer.setSingleShot(true);
    QObject::connect(&m_timer, &QTimer::timeout, [this] { pruneBatch(); });
}

void Retention::start(int keepDays) {
    m_keepDays = keepDays;
    m_timer.start(0ms);
}

// One batch of one rule per tick, the rules in turn; a round in which no rule filled a batch has caught up.
void Retention::pruneBatch() {
    m_store.settle();
    const auto& rules = schema::pruneRules();
    const schema::PruneRule& rule = rules[m_rule];
    const auto pruned = m_store.prune(rule.statements, rule.oldestKept(currentTime(), m_keepDays));
    if (!pruned)
        qWarning().noquote() << "kova_server: old" << rule.what << "could not be pruned:" << pruned.reason();
    m_fullBatch = m_fullBatch || (pruned && *pruned == schema::kPruneBatch);
    m_rule = (m_rule + 1) % rules.size();
    if (!pruned)
        return m_timer.start(kAfterFailure);
    if (m_rule > 0)
        return m_timer.start(kBetweenBatches);
    const bool caughtUp = !m_fullBatch;
    m_fullBatch = false;
    m_timer.start(caughtUp ? kWhenCaughtUp : kBetweenBatches);
}

} // namespace server
