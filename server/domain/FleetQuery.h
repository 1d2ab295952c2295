#pragma once

#include "Result.h"

#include <functional>
#include <QUrlQuery>

namespace server {

// The columns the fleet can be ordered by; State is the severity order (see ComputerState).
enum class FleetOrder { State, Name, LastReport, Os, Version, FreeDisk };

// What an operator asked of the fleet page: the words of the page's address and of the API's query alike.
struct FleetQuery {
    QString search;
    QString only; // a fleetFilterWords() word; empty: every computer
    FleetOrder order = FleetOrder::State;
    bool descending = false;
    int page = 1; // from 1; a page past the end shows the last one
    int pageSize = 50;
    QString tag; // only computers carrying it; empty: every computer
};

// The filters beside the computer states: what operators decided stands for the computer.
inline constexpr QLatin1String kInMaintenance{"maintenance"};
inline constexpr QLatin1String kAcknowledged{"acknowledged"};

// "alert", "unreadable", "silent", "lowdisk", "near", "maintenance", "acknowledged".
const QStringList& fleetFilterWords();
QString fleetOrderWord(FleetOrder order);

// The query's parameters (search, state, sort, order, size, page, tag); absent ones take the defaults.
// Refused with the words that are allowed when a value is none of them.
Result<FleetQuery> readFleetQuery(const QUrlQuery& query);
// The same from any source of those words by key (a change to many computers gives them in JSON).
using FleetWords = std::function<QString(const QString& key)>;
Result<FleetQuery> readFleetQuery(const FleetWords& valueOf);

// The number of the last page for `matching` computers (1 when there are none).
int lastFleetPage(int matching, int pageSize);

} // namespace server
