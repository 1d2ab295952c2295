#pragma once

#include "store/ServerStore.h"

#include <QTimer>

namespace server {

// Deletes report history older than the days kept, in the background of the event loop: one small batch
// per timer tick, so an agent's exchange waits at most for one batch. The latest status and the settings
// are never pruned.
class ReportRetention {
public:
    explicit ReportRetention(ServerStore& store);
    void start(int keepDays);

private:
    void pruneBatch();

    ServerStore& m_store;
    int m_keepDays = 0;
    QTimer m_timer;
};

} // namespace server
