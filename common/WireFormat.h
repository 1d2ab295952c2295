#pragma once

// The rules of the exchange between the agent and the central server, shared by both sides.
#include "Endpoints.h"
#include "FieldEncoding.h"
#include "ReportKeys.h"
#include "SettingsExchange.h"

namespace wire {

// Both sides read at most this many bytes of any reply; anything beyond is never seen.
inline constexpr int kReplyReadBound = 32000;

// The settings reply header that hands an enrolling agent its key; from then on the agent sends the key
// on every request as "Authorization: Bearer <key>".
inline constexpr char kAgentKeyHeader[] = "X-Kova-Agent-Key";

} // namespace wire
