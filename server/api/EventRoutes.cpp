// The events told to webhook receivers, newest first, each with its deliveries' state.
#include "api/ComputerJson.h"
#include "api/ConsoleApi.h"
#include "http/JsonReply.h"

#include <QJsonArray>

namespace server {
namespace {

constexpr int kDefaultEvents = 100;
constexpr int kMostEvents = 1000;

QJsonObject eventJson(const EventSummary& event) {
    QJsonArray deliveries;
    for (const DeliveryState& delivery : event.deliveries)
        deliveries.append(QJsonObject{{"receiver", delivery.receiver},
                                      {"state", delivery.state},
                                      {"attempts", delivery.attempts},
                                      {"lastError", delivery.lastError}});
    return {{"id", event.id},           {"eventId", event.eventId},
            {"type", event.kind},       {"computer", event.computer},
            {"at", timeJson(event.at)}, {"deliveries", deliveries}};
}

} // namespace

QHttpServerResponse ConsoleApi::events(const Call& call) {
    const QString limitText = call.request.query.queryItemValue(QStringLiteral("limit"));
    bool ok = true;
    const int limit = limitText.isEmpty() ? kDefaultEvents : limitText.toInt(&ok);
    if (!ok || limit < 1 || limit > kMostEvents)
        return errorReply(HttpStatus::BadRequest,
                          QStringLiteral("limit must be a whole number from 1 to %1.").arg(kMostEvents));
    const auto events = m_events.recentEvents(limit);
    if (!events)
        return storeFailure(events.reason());
    QJsonArray list;
    for (const EventSummary& event : *events)
        list.append(eventJson(event));
    return jsonReply({{"events", list}});
}

} // namespace server
