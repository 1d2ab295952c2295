#pragma once

#include "domain/ComputerState.h"
#include "domain/DiskThreshold.h"
#include "store/ServerStore.h"

namespace server {

// What the fleet's order and each state badge need of a computer.
struct StandingRow {
    QString name;
    Standing standing;
    ComputerState state = ComputerState::Ok;
    QString since; // when the state began, as stored (sorts as text); empty for near and ok
    std::optional<DiskReading> lowDisk;
    // What the fleet is ordered by besides: as stored, empty when never reported.
    QString lastReport;
    QString os;
    QString agentVersion;
    std::optional<double> lowestFreeBytes;
    bool found = true; // the search, if any, finds it
};

// Every computer `where` selects ("" for all; it binds `values`), in one statement: folder conditions as the
// alert rules left them with the report, silence and low disk against the thresholds that stand now, so
// the fleet and the computer page never tell different states. Each row tells whether `search` finds it.
Result<QList<StandingRow>> readStandings(ServerStore& store, const QString& where, const QVariantList& values,
                                         const QDateTime& now, const QString& search = {});

} // namespace server
