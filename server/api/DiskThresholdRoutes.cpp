// The free-space thresholds: the fleet's default and each computer's own.
#include "api/ConsoleApi.h"

#include "http/JsonReply.h"
#include "store/DiskThresholdStore.h"

namespace server {
namespace {

// The body's threshold as it is stored ("" for none), or the reply that refuses it.
std::optional<QString> thresholdEntry(const Result<QJsonObject>& body,
                                      std::optional<QHttpServerResponse>& refusal) {
    if (!body) {
        refusal = errorReply(HttpStatus::BadRequest, body.reason());
        return std::nullopt;
    }
    const QJsonValue value = body->value(QStringLiteral("threshold"));
    if (!value.isString()) {
        refusal = errorReply(HttpStatus::BadRequest,
                             QStringLiteral("Send {\"threshold\": \"10 GB\"}, or an empty text for none."));
        return std::nullopt;
    }
    const auto read = readDiskThreshold(value.toString());
    if (!read) {
        refusal = errorReply(HttpStatus::UnprocessableEntity, read.reason());
        return std::nullopt;
    }
    return *read ? (*read)->text() : QString();
}

} // namespace

QHttpServerResponse ConsoleApi::fleetDiskThreshold(const Call&) {
    const auto stored = DiskThresholdStore(m_store).fleetDefault();
    if (!stored)
        return storeFailure(stored.reason());
    return jsonReply({{"threshold", *stored}});
}

QHttpServerResponse ConsoleApi::changeFleetDiskThreshold(const Call& call) {
    std::optional<QHttpServerResponse> refused;
    const auto entry = thresholdEntry(call.request.body, refused);
    if (!entry)
        return std::move(*refused);
    if (const auto set = DiskThresholdStore(m_store).setFleetDefault(*entry, call.caller->name, call.now);
        !set)
        return storeFailure(set.reason());
    return jsonReply({{"threshold", *entry}});
}

QHttpServerResponse ConsoleApi::changeDiskThreshold(const Call& call) {
    std::optional<QHttpServerResponse> refused;
    if (!knownComputer(call, refused))
        return std::move(*refused);
    const auto entry = thresholdEntry(call.request.body, refused);
    if (!entry)
        return std::move(*refused);
    if (const auto set =
            DiskThresholdStore(m_store).setOwn(call.computer, *entry, call.caller->name, call.now);
        !set)
        return storeFailure(set.reason());
    return jsonReply({{"threshold", *entry}});
}

} // namespace server
