#pragma once

#include "auth/ConsoleAuth.h"
#include "domain/BulkChange.h"
#include "http/ApiRequest.h"
#include "http/JsonReply.h"
#include "store/AccountStore.h"
#include "store/EventStore.h"
#include "store/FleetStore.h"
#include "store/HistoryStore.h"
#include "store/OperatorActionStore.h"
#include "store/ReceiverStore.h"
#include "store/TagStore.h"

#include <functional>
#include <QHttpServerResponse>

namespace server {

// The console's JSON API under /api/v1/: routes parse, check who asks, call the store and shape the
// answer. Readers may read; changes need an admin and, with a session, the CSRF token.
class ConsoleApi {
public:
    explicit ConsoleApi(ServerStore& store);

    // What the alerting room, above this one, does for the API.
    struct AlertingHooks {
        // Records the acknowledgement's event, inside the transaction that stores it.
        std::function<Result<>(const Acknowledgement&)> acknowledged;
        std::function<QStringList()> fixedReceivers; // given on the command line
        std::function<void()> receiversChanged;
        std::function<void(const ConsoleReceiver&)> testReceiver;
    };
    void setAlertingHooks(AlertingHooks hooks) { m_hooks = std::move(hooks); }

    // Marks the session cookie Secure: only sent back over TLS.
    void setServedOverTls(bool tls) { m_tls = tls; }

    QHttpServerResponse answer(const ApiRequest& request);

    static QString prefix() { return QStringLiteral("/api/v1/"); }
    // The largest body a call may carry; a settings change or a login is far smaller.
    static constexpr qsizetype kMaxBodyBytes = 64 * 1024;

private:
    enum class Access { Anyone, Reader, Changer, Admin }; // Admin: even reading needs an admin
    struct Call {
        const ApiRequest& request;
        QString computer; // the {name} segment, decoded
        std::optional<Caller> caller;
        QDateTime now;
    };
    using Handler = QHttpServerResponse (ConsoleApi::*)(const Call&);
    struct Route {
        HttpMethod method;
        QStringList pattern; // path segments after /api/v1/, "{name}" for a computer's name
        Access access;
        Handler handler;
    };

    void addRoutes();
    std::optional<QHttpServerResponse> refusal(const Route& route, Call& call);

    // Sessions
    QHttpServerResponse login(const Call& call);
    QHttpServerResponse whoAmI(const Call& call);
    QHttpServerResponse logout(const Call& call);
    QHttpServerResponse sessionReply(const Caller& caller, const QString& cookie);

    // Fleet, computers, settings, audit
    QHttpServerResponse fleet(const Call& call);
    QHttpServerResponse computer(const Call& call);
    QHttpServerResponse reports(const Call& call);
    QHttpServerResponse history(const Call& call);
    QHttpServerResponse changeSettings(const Call& call);
    QHttpServerResponse audit(const Call& call);

    // Acknowledgements and maintenance windows
    QHttpServerResponse acknowledge(const Call& call);
    QHttpServerResponse maintenanceWindows(const Call& call);
    QHttpServerResponse planMaintenance(const Call& call);
    QHttpServerResponse endMaintenance(const Call& call);
    QHttpServerResponse listWindows(const WindowOwner& owner, const QDateTime& now);
    QHttpServerResponse planWindow(const Call& call, const WindowOwner& owner);
    QHttpServerResponse endWindow(const Call& call, const WindowOwner& owner);

    // Tags, and maintenance windows for a tag ({name} is the tag)
    QHttpServerResponse changeTags(const Call& call);
    QHttpServerResponse tagWindows(const Call& call);
    QHttpServerResponse planTagMaintenance(const Call& call);
    QHttpServerResponse endTagMaintenance(const Call& call);
    std::optional<WindowOwner> tagOwner(const Call& call, std::optional<QHttpServerResponse>& refusal);
    // The computers carrying the fleet filter's tag; none when it names no tag.
    Result<std::optional<QSet<QString>>> taggedComputers(const QString& tag);

    // Settings changed on many computers in one step
    QHttpServerResponse previewBulkChange(const Call& call);
    QHttpServerResponse applyBulkChange(const Call& call);
    std::optional<QList<ComputerView>> bulkComputers(const QJsonObject& body, const QDateTime& now,
                                                     std::optional<QHttpServerResponse>& refusal);
    std::optional<BulkPlan> bulkPlan(const Call& call, QList<ComputerView>& computers,
                                     std::optional<QHttpServerResponse>& refusal);
    // Free-space thresholds
    QHttpServerResponse fleetDiskThreshold(const Call& call);
    QHttpServerResponse changeFleetDiskThreshold(const Call& call);
    QHttpServerResponse changeDiskThreshold(const Call& call);

    // Events told to the webhook receivers
    QHttpServerResponse events(const Call& call);
    QHttpServerResponse eventsCsv(const Call& call);
    std::optional<ComputerView> knownComputer(const Call& call, std::optional<QHttpServerResponse>& refusal);

    // Webhook receivers ({name} is a receiver's number)
    QHttpServerResponse receivers(const Call& call);
    QHttpServerResponse addReceiver(const Call& call);
    QHttpServerResponse testReceiver(const Call& call);
    QHttpServerResponse disableReceiver(const Call& call);
    std::optional<ConsoleReceiver> knownReceiver(const Call& call,
                                                 std::optional<QHttpServerResponse>& refusal);

    // Enrolment
    QHttpServerResponse pending(const Call& call);
    QHttpServerResponse approve(const Call& call);
    QHttpServerResponse refuse(const Call& call);
    QHttpServerResponse resetKey(const Call& call);
    QHttpServerResponse keyless(const Call& call);
    std::optional<Enrolment> knownEnrolment(const Call& call, std::optional<QHttpServerResponse>& refusal);
    QHttpServerResponse decide(const Call& call, const QString& setting,
                               const std::function<Result<>()>& decision);

    ServerStore& m_store;
    FleetStore m_fleet;
    HistoryStore m_history;
    AccountStore m_accounts;
    EventStore m_events;
    OperatorActionStore m_actions;
    ReceiverStore m_receivers;
    TagStore m_tags;
    ConsoleAuth m_auth;
    AlertingHooks m_hooks;
    bool m_tls = false;
    QList<Route> m_routes;
};

} // namespace server
