#include "store/FleetFinding.h"

#include <limits>
#include <QVersionNumber>

namespace server {
namespace {

template <typename T> int compareValues(const T& a, const T& b) {
    return a < b ? -1 : (b < a ? 1 : 0);
}

int compareWords(const QString& a, const QString& b) {
    return QString::compare(a, b, Qt::CaseInsensitive);
}

// By their numbers ("2.10" after "2.9"), then as text for what is no version.
int compareVersions(const QString& a, const QString& b) {
    const int byNumber =
        QVersionNumber::compare(QVersionNumber::fromString(a), QVersionNumber::fromString(b));
    return byNumber != 0 ? byNumber : compareWords(a, b);
}

// A computer that gave no figure has the most room, so the fullest disks come first.
double freeSpace(const StandingRow& row) {
    return row.lowestFreeBytes.value_or(std::numeric_limits<double>::infinity());
}

int compareBy(FleetOrder order, const StandingRow& a, const StandingRow& b) {
    switch (order) {
    case FleetOrder::State:
        // The longest standing first within a state: its `since` is the earliest.
        return a.state != b.state ? compareValues(a.state, b.state) : compareValues(a.since, b.since);
    case FleetOrder::Name:
        return compareWords(a.name, b.name);
    case FleetOrder::LastReport:
        return compareValues(a.lastReport, b.lastReport); // stored times sort as text
    case FleetOrder::Os:
        return compareWords(a.os, b.os);
    case FleetOrder::Version:
        return compareVersions(a.agentVersion, b.agentVersion);
    case FleetOrder::FreeDisk:
        return compareValues(freeSpace(a), freeSpace(b));
    }
    return 0;
}

} // namespace

bool fleetFilterKeeps(const QString& word, const Standing& standing, const ComputerActions& actions) {
    if (word.isEmpty())
        return true;
    if (word == kInMaintenance)
        return actions.maintenance.has_value();
    if (word == kAcknowledged)
        return actions.acknowledgement.has_value();
    const auto flag = standingFlag(word);
    return flag && standing.**flag;
}

std::function<bool(const StandingRow&, const StandingRow&)> fleetOrder(const FleetQuery& query) {
    return [order = query.order, descending = query.descending](const StandingRow& a, const StandingRow& b) {
        const int compared = compareBy(order, a, b);
        if (compared != 0)
            return descending ? compared > 0 : compared < 0;
        const int byName = compareWords(a.name, b.name);
        return byName != 0 ? byName < 0 : a.name < b.name;
    };
}

} // namespace server
