#pragma once

#include "domain/ComputerState.h"
#include "Result.h"

#include <optional>

namespace server {

// What the fleet's filters ask for, as the fleet list and a change to many computers take them: part of a
// name, a state that stands, a tag. Empty texts filter nothing.
struct FleetQuery {
    QString search;
    std::optional<bool Standing::*> only;
    QString tag;
};

// The filters as an operator gave them, or what is wrong with one.
Result<FleetQuery> readFleetQuery(const QString& search, const QString& state, const QString& tag);

} // namespace server
