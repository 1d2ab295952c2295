#include "api/ConsoleApi.h"

#include "auth/Secrets.h"
#include "domain/ServerClock.h"
#include "http/JsonReply.h"

#include <QUrl>

namespace server {
namespace {

const QString kNameSegment = QStringLiteral("{name}");

// The path after /api/v1/, split before decoding so that a computer name may hold "/" (sent as %2F).
QStringList pathSegments(const QString& encodedPath) {
    const QString encoded = encodedPath.mid(ConsoleApi::prefix().size());
    QStringList segments;
    for (const QString& segment : encoded.split(QLatin1Char('/')))
        segments << QUrl::fromPercentEncoding(segment.toUtf8());
    return segments;
}

bool matches(const QStringList& pattern, const QStringList& segments, QString* computer) {
    if (pattern.size() != segments.size())
        return false;
    for (qsizetype k = 0; k < pattern.size(); ++k) {
        if (pattern[k] == kNameSegment) {
            if (segments[k].isEmpty())
                return false;
            *computer = segments[k];
        } else if (pattern[k] != segments[k]) {
            return false;
        }
    }
    return true;
}

QByteArray methodName(HttpMethod method) {
    switch (method) {
    case HttpMethod::Post:
        return "POST";
    case HttpMethod::Put:
        return "PUT";
    case HttpMethod::Delete:
        return "DELETE";
    default:
        return "GET";
    }
}

} // namespace

ConsoleApi::ConsoleApi(ServerStore& store)
    : m_store(store), m_fleet(store), m_history(store), m_accounts(store), m_events(store), m_actions(store),
      m_receivers(store), m_tags(store), m_auth(m_accounts) {
    addRoutes();
}

void ConsoleApi::addRoutes() {
    using M = HttpMethod;
    const QString name = kNameSegment;
    m_routes = {
        {M::Post, {"session"}, Access::Anyone, &ConsoleApi::login},
        {M::Get, {"session"}, Access::Reader, &ConsoleApi::whoAmI},
        {M::Delete, {"session"}, Access::Reader, &ConsoleApi::logout},
        {M::Get, {"computers"}, Access::Reader, &ConsoleApi::fleet},
        {M::Get, {"computers", name}, Access::Reader, &ConsoleApi::computer},
        {M::Get, {"computers", name, "reports"}, Access::Reader, &ConsoleApi::reports},
        {M::Get, {"computers", name, "history"}, Access::Reader, &ConsoleApi::history},
        {M::Put, {"computers", name, "settings"}, Access::Changer, &ConsoleApi::changeSettings},
        {M::Put, {"computers", name, "disk-threshold"}, Access::Changer, &ConsoleApi::changeDiskThreshold},
        {M::Get, {"fleet", "disk-threshold"}, Access::Reader, &ConsoleApi::fleetDiskThreshold},
        {M::Put, {"fleet", "disk-threshold"}, Access::Changer, &ConsoleApi::changeFleetDiskThreshold},
        {M::Get, {"audit"}, Access::Reader, &ConsoleApi::audit},
        {M::Get, {"events"}, Access::Reader, &ConsoleApi::events},
        {M::Get, {"events.csv"}, Access::Reader, &ConsoleApi::eventsCsv},
        {M::Get, {"pending"}, Access::Reader, &ConsoleApi::pending},
        {M::Post, {"computers", name, "approve"}, Access::Changer, &ConsoleApi::approve},
        {M::Post, {"computers", name, "refuse"}, Access::Changer, &ConsoleApi::refuse},
        {M::Post, {"computers", name, "reset-key"}, Access::Changer, &ConsoleApi::resetKey},
        {M::Put, {"computers", name, "keyless"}, Access::Changer, &ConsoleApi::keyless},
        {M::Post, {"computers", name, "acknowledge"}, Access::Changer, &ConsoleApi::acknowledge},
        {M::Get, {"computers", name, "maintenance"}, Access::Reader, &ConsoleApi::maintenanceWindows},
        {M::Post, {"computers", name, "maintenance"}, Access::Changer, &ConsoleApi::planMaintenance},
        {M::Delete, {"computers", name, "maintenance"}, Access::Changer, &ConsoleApi::endMaintenance},
        {M::Put, {"computers", name, "tags"}, Access::Changer, &ConsoleApi::changeTags},
        {M::Get, {"tags", name, "maintenance"}, Access::Reader, &ConsoleApi::tagWindows},
        {M::Post, {"tags", name, "maintenance"}, Access::Changer, &ConsoleApi::planTagMaintenance},
        {M::Delete, {"tags", name, "maintenance"}, Access::Changer, &ConsoleApi::endTagMaintenance},
        {M::Post, {"bulk", "preview"}, Access::Changer, &ConsoleApi::previewBulkChange},
        {M::Post, {"bulk", "apply"}, Access::Changer, &ConsoleApi::applyBulkChange},
        {M::Get, {"webhooks"}, Access::Admin, &ConsoleApi::receivers},
        {M::Post, {"webhooks"}, Access::Admin, &ConsoleApi::addReceiver},
        {M::Post, {"webhooks", name, "test"}, Access::Admin, &ConsoleApi::testReceiver},
        {M::Post, {"webhooks", name, "disable"}, Access::Admin, &ConsoleApi::disableReceiver},
    };
}

QHttpServerResponse ConsoleApi::answer(const ApiRequest& request) {
    const QStringList segments = pathSegments(request.path);
    Call call{request, {}, std::nullopt, currentTime()};
    QByteArrayList allowed;
    for (const Route& route : m_routes) {
        if (!matches(route.pattern, segments, &call.computer))
            continue;
        if (route.method != request.method) {
            allowed << methodName(route.method);
            continue;
        }
        if (auto refused = refusal(route, call))
            return std::move(*refused);
        return (this->*route.handler)(call);
    }
    if (allowed.isEmpty())
        return errorReply(HttpStatus::NotFound, QStringLiteral("There is no such API address."));
    QHttpServerResponse response = errorReply(
        HttpStatus::MethodNotAllowed,
        QStringLiteral("This address answers %1 only.").arg(QString::fromLatin1(allowed.join(", "))));
    response.setHeader("Allow", allowed.join(", "));
    return response;
}

// Who asks, and whether they may: 401 without valid credentials, 403 for a change without the session's
// CSRF token or by a viewer.
std::optional<QHttpServerResponse> ConsoleApi::refusal(const Route& route, Call& call) {
    if (route.access == Access::Anyone)
        return std::nullopt;
    auto caller = m_auth.sessionCaller(call.request.sessionCookie, call.now);
    if (caller && !*caller)
        caller = m_auth.tokenCaller(call.request.bearerToken);
    if (!caller)
        return storeFailure(caller.reason());
    call.caller = *caller;
    if (!call.caller)
        return errorReply(HttpStatus::Unauthorized, QStringLiteral("Log in first (or send an API token)."));
    const bool change = call.request.method != HttpMethod::Get;
    if (change && !call.caller->csrfToken.isEmpty() &&
        !secrets::sameSecret(call.request.csrfToken, call.caller->csrfToken.toLatin1()))
        return errorReply(HttpStatus::Forbidden,
                          QStringLiteral("The X-CSRF-Token header is missing or wrong; reload the page."));
    if (route.access == Access::Changer && call.caller->role != Role::Admin)
        return errorReply(HttpStatus::Forbidden, QStringLiteral("Only an admin may change this."));
    if (route.access == Access::Admin && call.caller->role != Role::Admin)
        return errorReply(HttpStatus::Forbidden, QStringLiteral("Only an admin may see or change this."));
    return std::nullopt;
}

} // namespace server
