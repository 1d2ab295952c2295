// Enrolment from the console: the names waiting for approval, approving or refusing one, resetting a
// computer's key and letting a computer in without one. The rules are the enrolment desk's; every
// decision leaves an audit row.
#include "api/ConsoleApi.h"

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
    return {{"name", enrolment.name},
            {"enrolment", stateText(enrolment.state)},
            {"keyless", enrolment.keyless},
            {"firstSeen", timeJson(enrolment.askedAt)},
            {"address", enrolment.askedFrom}};
}

} // namespace

// The name's enrolment, when the name is known at all (it asked to enrol, or it is a registered computer
// from before keys); otherwise the 404 or 500 to answer.
std::optional<Enrolment> ConsoleApi::knownEnrolment(const Call& call,
                                                    std::optional<QHttpServerResponse>& refusal) {
    std::optional<Enrolment> enrolment;
    QString error;
    if (!m_store.readEnrolment(call.computer, enrolment, &error)) {
        refusal = storeFailure(error);
        return std::nullopt;
    }
    if (!enrolment)
        refusal =
            errorReply(HttpStatus::NotFound,
                       QStringLiteral("No computer named \"%1\" has asked to enrol.").arg(call.computer));
    return enrolment;
}

// Runs the desk's decision, then answers with the name's new standing and audits the change.
QHttpServerResponse ConsoleApi::decide(const Call& call, const QString& setting,
                                       const std::function<bool(QString*)>& decision) {
    std::optional<QHttpServerResponse> refused;
    const auto before = knownEnrolment(call, refused);
    if (!before)
        return std::move(*refused);
    QString error;
    if (!decision(&error))
        return errorReply(HttpStatus::Conflict, error);
    std::optional<Enrolment> after;
    if (!m_store.readEnrolment(call.computer, after, &error))
        return storeFailure(error);
    const auto standing = [&](const std::optional<Enrolment>& enrolment) {
        if (!enrolment)
            return QStringLiteral("refused");
        return setting == kKeylessSetting ? flagText(enrolment->keyless) : stateText(enrolment->state);
    };
    if (!m_fleet.addAudit(
            {0, call.now, call.caller->name, call.computer, setting, standing(before), standing(after)},
            &error))
        return storeFailure(error);
    return jsonReply(after ? enrolmentJson(*after)
                           : QJsonObject{{"name", call.computer}, {"enrolment", "refused"}});
}

QHttpServerResponse ConsoleApi::pending(const Call&) {
    QString error;
    const auto pending = m_store.pendingEnrolments(&error);
    if (!pending)
        return storeFailure(error);
    QJsonArray list;
    for (const Enrolment& enrolment : *pending)
        list.append(enrolmentJson(enrolment));
    return jsonReply({{"pending", list}});
}

QHttpServerResponse ConsoleApi::approve(const Call& call) {
    return decide(call, kEnrolmentSetting,
                  [&](QString* error) { return approveComputer(m_store, call.computer, call.now, error); });
}

QHttpServerResponse ConsoleApi::refuse(const Call& call) {
    return decide(call, kEnrolmentSetting,
                  [&](QString* error) { return m_fleet.refusePending(call.computer, error); });
}

QHttpServerResponse ConsoleApi::resetKey(const Call& call) {
    return decide(call, kEnrolmentSetting,
                  [&](QString* error) { return resetComputerKey(m_store, call.computer, error); });
}

QHttpServerResponse ConsoleApi::keyless(const Call& call) {
    QString error;
    const auto body = jsonBody(call.request, &error);
    if (!body)
        return errorReply(HttpStatus::BadRequest, error);
    if (!body->value("allowed").isBool())
        return errorReply(HttpStatus::BadRequest, QStringLiteral("Give \"allowed\" as true or false."));
    const bool allowed = body->value("allowed").toBool();
    return decide(call, kKeylessSetting,
                  [&](QString* error) { return setKeylessAllowed(m_store, call.computer, allowed, error); });
}

} // namespace server
