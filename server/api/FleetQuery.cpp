#include "api/FleetQuery.h"

#include "domain/Tags.h"

namespace server {

Result<FleetQuery> readFleetQuery(const QString& search, const QString& state, const QString& tag) {
    FleetQuery query{search, standingFlag(state), {}};
    if (!state.isEmpty() && !query.only)
        return Failure{
            QStringLiteral("state must be alert, unreadable, silent, lowdisk or near (or absent for "
                           "every computer).")};
    if (tag.isEmpty())
        return query;
    const auto checked = checkTag(tag);
    if (!checked)
        return Failure{checked.reason()};
    query.tag = *checked;
    return query;
}

} // namespace server
