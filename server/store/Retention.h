#pragma once

#include "store/ServerStore.h"

#include <QTimer>

namespace server {

// Deletes old rows of every table that grows (see schema::pruneRules()), in the background of the event
// loop: one small batch per timer tick, so an agent's exchange waits at most for one batch. The latest
// status, the settings, operators and keys are never pruned.
class Retention {
public:
    explicit Retention(ServerStore& store);
    void start(int keepDays);

private:
    void pruneBatch();

    ServerStore& m_store;
    int m_keepDays = 0;
    qsizetype m_rule = 0;     // the rule the next tick runs
    bool m_fullBatch = false; // whether a rule of this round still had more old rows than one batch
    QTimer m_timer;
};

} // namespace server
