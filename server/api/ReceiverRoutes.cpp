// Webhook receivers, for admins only: those given on the command line (shown, not changeable here) and
// those added in the console, which can be tested and disabled. A secret goes in and never comes out.
#include "api/ComputerJson.h"
#include "api/ConsoleApi.h"
#include "domain/ReceiverAddress.h"
#include "http/JsonReply.h"

#include <QJsonArray>

namespace server {
namespace {

constexpr qsizetype kShortestSecret = 16;
constexpr qsizetype kLongestSecret = 200;

const QString kReceiverSetting = QStringLiteral("webhook receiver");
const QString kNoComputer = QStringLiteral(""); // a receiver belongs to no computer; the column takes no null

QJsonObject receiverJson(const ConsoleReceiver& receiver) {
    return {{"id", receiver.id},
            {"url", receiver.url},
            {"source", "console"},
            {"enabled", receiver.enabled},
            {"addedBy", receiver.addedBy},
            {"addedAt", timeJson(receiver.addedAt)},
            {"testedAt", timeJson(receiver.testedAt)},
            {"testAnswer", receiver.testAnswer}};
}

Result<QByteArray> secretOf(const QJsonObject& body) {
    const QString secret = body.value("secret").toString();
    if (secret.size() < kShortestSecret || secret.size() > kLongestSecret)
        return Failure{QStringLiteral("The secret must be %1 to %2 characters; the receiver checks each "
                                      "delivery's signature with it.")
                           .arg(kShortestSecret)
                           .arg(kLongestSecret)};
    return secret.toUtf8();
}

} // namespace

std::optional<ConsoleReceiver> ConsoleApi::knownReceiver(const Call& call,
                                                         std::optional<QHttpServerResponse>& refusal) {
    bool isNumber = false;
    const qint64 id = call.computer.toLongLong(&isNumber);
    const auto found = m_receivers.receiver(isNumber ? id : 0);
    if (!found) {
        refusal = storeFailure(found.reason());
        return std::nullopt;
    }
    if (!*found)
        refusal = errorReply(
            HttpStatus::NotFound,
            QStringLiteral("No receiver added in the console has the number %1.").arg(call.computer));
    return *found;
}

QHttpServerResponse ConsoleApi::receivers(const Call&) {
    const auto added = m_receivers.receivers();
    if (!added)
        return storeFailure(added.reason());
    QJsonArray list;
    for (const QString& url : m_hooks.fixedReceivers ? m_hooks.fixedReceivers() : QStringList())
        list.append(QJsonObject{{"url", url}, {"source", "command line"}, {"enabled", true}});
    for (const ConsoleReceiver& receiver : *added)
        list.append(receiverJson(receiver));
    return jsonReply({{"receivers", list}});
}

QHttpServerResponse ConsoleApi::addReceiver(const Call& call) {
    const auto& body = call.request.body;
    if (!body)
        return errorReply(HttpStatus::BadRequest, body.reason());
    const auto url = receiverAddress(body->value("url").toString(), QStringLiteral("The receiver"));
    if (!url)
        return errorReply(HttpStatus::UnprocessableEntity, url.reason() + '.');
    const auto secret = secretOf(*body);
    if (!secret)
        return errorReply(HttpStatus::UnprocessableEntity, secret.reason());
    const auto added = m_receivers.receivers();
    if (!added)
        return storeFailure(added.reason());
    const QStringList fixed = m_hooks.fixedReceivers ? m_hooks.fixedReceivers() : QStringList();
    const bool known = fixed.contains(*url) || std::any_of(added->begin(), added->end(),
                                                           [&](const auto& r) { return r.url == *url; });
    if (known)
        return errorReply(HttpStatus::Conflict, QStringLiteral("%1 is already a receiver.").arg(*url));
    ConsoleReceiver receiver{0, *url, *secret, true, call.caller->name, call.now, {}, {}};
    const auto stored = m_store.inTransaction([&]() -> Result<> {
        const auto id = m_receivers.add(receiver);
        if (!id)
            return Failure{id.reason()};
        receiver.id = *id;
        return m_fleet.insertAudit(
            {0, call.now, call.caller->name, kNoComputer, kReceiverSetting, QString(), *url});
    });
    if (!stored)
        return storeFailure(stored.reason());
    if (m_hooks.receiversChanged)
        m_hooks.receiversChanged();
    return jsonReply({{"receiver", receiverJson(receiver)}}, HttpStatus::Created);
}

QHttpServerResponse ConsoleApi::testReceiver(const Call& call) {
    std::optional<QHttpServerResponse> refused;
    const auto receiver = knownReceiver(call, refused);
    if (!receiver)
        return std::move(*refused);
    if (!receiver->enabled)
        return errorReply(HttpStatus::Conflict,
                          QStringLiteral("%1 is disabled; add it again to use it.").arg(receiver->url));
    if (m_hooks.testReceiver)
        m_hooks.testReceiver(*receiver);
    return jsonReply(
        {{"note", QStringLiteral("A signed test delivery is on its way; its answer shows here.")}},
        HttpStatus::Accepted);
}

QHttpServerResponse ConsoleApi::disableReceiver(const Call& call) {
    std::optional<QHttpServerResponse> refused;
    const auto receiver = knownReceiver(call, refused);
    if (!receiver)
        return std::move(*refused);
    const auto stored = m_store.inTransaction([&]() -> Result<> {
        if (auto disabled = m_receivers.disable(receiver->id); !disabled)
            return disabled;
        return m_fleet.insertAudit({0, call.now, call.caller->name, kNoComputer, kReceiverSetting,
                                    receiver->url, QStringLiteral("disabled")});
    });
    if (!stored)
        return storeFailure(stored.reason());
    if (m_hooks.receiversChanged)
        m_hooks.receiversChanged();
    return jsonReply({{"disabled", receiver->id}});
}

} // namespace server
