// Enrolment from the console: the names waiting for approval, approving or refusing one, resetting a
// computer's key and letting a computer in without one. The rules are the enrolment desk's; every
// decision leaves an audit row.
#include "api/ConsoleApi.h"

#include "AgentKeyHash.h"
#include "api/ComputerJson.h"
#include "auth/EnrolmentDesk.h"
#include "http/JsonReply.h"

#include <QJsonArray>

namespace server {
namespace {

const QString kEnrolmentSetting = QStringLiteral("enrolment");
const QString kKeylessSetting = QStringLiteral("keyless");

QString flagText(bool on) {
    return on ? QStringLiteral("1") : QStringLiteral("0");
}

QJsonObject enrolmentJson(const Enrolment& enrolment) {
    return {
        {"name", enrolment.name},         {"enrolment", stateText(enrolment.state)},
        {"keyless", enrolment.keyless},   {"firstSeen", timeJson(enrolment.askedAt)},
        {"address", enrolment.askedFrom}, {"fingerprint", wire::keyFingerprint(enrolment.pendingKeyHash)}};
}

} // namespace

// The name's enrolment, when the name is known at all (it asked to enrol, or it is a registered computer
// from before keys); otherwise the 404 or 500 to answer.
std::optional<Enrolment> ConsoleApi::knownEnrolment(const Call& call,
                                                    std::optional<QHttpServerResponse>& refusal) {
    const auto enrolment = m_store.readEnrolment(call.computer);
    if (!enrolment) {
        refusal = storeFailure(enrolment.reason());
        return std::nullopt;
    }
    if (!*enrolment)
        refusal =
            errorReply(HttpStatus::NotFound,
                       QStringLiteral("No computer named \"%1\" has asked to enrol.").arg(call.computer));
    return *enrolment;
}

// Runs the desk's decision, then answers with the name's new standing and audits the change.
QHttpServerResponse ConsoleApi::decide(const Call& call, const QString& setting,
                                       const std::function<Result<>()>& decision) {
    std::optional<QHttpServerResponse> refused;
    const auto before = knownEnrolment(call, refused);
    if (!before)
        return std::move(*refused);
    if (const auto decided = decision(); !decided)
        return errorReply(HttpStatus::Conflict, decided.reason());
    const auto read = m_store.readEnrolment(call.computer);
    if (!read)
        return storeFailure(read.reason());
    const std::optional<Enrolment>& after = *read;
    const auto standing = [&](const std::optional<Enrolment>& enrolment) {
        if (!enrolment)
            return QStringLiteral("refused");
        return setting == kKeylessSetting ? flagText(enrolment->keyless) : stateText(enrolment->state);
    };
    if (const auto audited = m_fleet.addAudit(
            {0, call.now, call.caller->name, call.computer, setting, standing(before), standing(after)});
        !audited)
        return storeFailure(audited.reason());
    return jsonReply(after ? enrolmentJson(*after)
                           : QJsonObject{{"name", call.computer}, {"enrolment", "refused"}});
}

QHttpServerResponse ConsoleApi::pending(const Call&) {
    const auto pending = m_store.pendingEnrolments();
    if (!pending)
        return storeFailure(pending.reason());
    QJsonArray list;
    for (const Enrolment& enrolment : *pending)
        list.append(enrolmentJson(enrolment));
    return jsonReply({{"pending", list}});
}

QHttpServerResponse ConsoleApi::approve(const Call& call) {
    return decide(call, kEnrolmentSetting, [&] { return approveComputer(m_store, call.computer, call.now); });
}

QHttpServerResponse ConsoleApi::refuse(const Call& call) {
    return decide(call, kEnrolmentSetting, [&] { return m_fleet.refusePending(call.computer); });
}

QHttpServerResponse ConsoleApi::resetKey(const Call& call) {
    return decide(call, kEnrolmentSetting, [&] { return resetComputerKey(m_store, call.computer); });
}

QHttpServerResponse ConsoleApi::keyless(const Call& call) {
    const auto& body = call.request.body;
    if (!body)
        return errorReply(HttpStatus::BadRequest, body.reason());
    if (!body->value("allowed").isBool())
        return errorReply(HttpStatus::BadRequest, QStringLiteral("Give \"allowed\" as true or false."));
    const bool allowed = body->value("allowed").toBool();
    return decide(call, kKeylessSetting, [&] { return setKeylessAllowed(m_store, call.computer, allowed); });
}

} // namespace server
