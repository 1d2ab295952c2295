#pragma once

#include <QString>

namespace wire {

// Where the central server answers: the agents' exchange, the published agent and the web time page. The
// build sets them once for both sides and for the agent's default addresses.
inline const QString kExchangePath = QStringLiteral(KOVA_EXCHANGE_PATH);
inline const QString kUpdatePath = QStringLiteral(KOVA_UPDATE_PATH);
inline const QString kTimePath = QStringLiteral(KOVA_TIME_PATH);

} // namespace wire
