#pragma once

#include "domain/FleetQuery.h"
#include "store/FleetStanding.h"
#include "store/OperatorActionStore.h"

#include <functional>

namespace server {

// Whether the filter `word` (a fleetFilterWords() word; empty: every computer) keeps a computer.
bool fleetFilterKeeps(const QString& word, const Standing& standing, const ComputerActions& actions);

// The order `query` asks for as a "comes before" test; equal keys fall back to the name (any case first),
// ascending in either direction, so that each computer has one place and pages never overlap.
std::function<bool(const StandingRow&, const StandingRow&)> fleetOrder(const FleetQuery& query);

} // namespace server
