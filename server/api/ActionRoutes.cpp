// What operators do about alerts: acknowledge a computer's alert, plan and end its maintenance windows.
#include "api/ActionJson.h"
#include "api/ComputerJson.h"
#include "api/ConsoleApi.h"
#include "http/JsonReply.h"

#include <QJsonArray>

namespace server {
namespace {

constexpr qsizetype kLongestNote = 500;

const QString kAcknowledgedSetting = QStringLiteral("acknowledged");
const QString kMaintenanceSetting = QStringLiteral("maintenance");

Result<QString> noteOf(const QJsonObject& body, bool required) {
    const QString note = body.value("note").toString().trimmed();
    if (required && note.isEmpty())
        return Failure{QStringLiteral("Write a note: what is being done about the alert.")};
    if (note.size() > kLongestNote)
        return Failure{QStringLiteral("The note is longer than %1 characters.").arg(kLongestNote)};
    return note;
}

// An optional moment: nothing when the field is absent, null or empty.
Result<QDateTime> momentOf(const QJsonObject& body, const QString& field) {
    const QString text = body.value(field).toString();
    if (text.isEmpty())
        return QDateTime();
    if (const auto moment = readApiMoment(text))
        return *moment;
    return Failure{
        QStringLiteral("%1 is not a date and time; write it like 2026-12-07T22:00:00Z.").arg(field)};
}

// A tag's windows are audited under no computer, with the tag in the setting's name.
QString maintenanceSetting(const WindowOwner& owner) {
    return owner.tag.isEmpty() ? kMaintenanceSetting : QStringLiteral("maintenance of tag %1").arg(owner.tag);
}

QString ownerText(const WindowOwner& owner) {
    return owner.tag.isEmpty() ? owner.computer : QStringLiteral("Tag %1").arg(owner.tag);
}

QString windowText(const MaintenanceWindow& window) {
    return QStringLiteral("%1 to %2").arg(timeJson(window.from).toString(), timeJson(window.to).toString());
}

} // namespace

QHttpServerResponse ConsoleApi::acknowledge(const Call& call) {
    const auto& body = call.request.body;
    if (!body)
        return errorReply(HttpStatus::BadRequest, body.reason());
    const auto note = noteOf(*body, true);
    if (!note)
        return errorReply(HttpStatus::UnprocessableEntity, note.reason());
    const auto until = momentOf(*body, QStringLiteral("until"));
    if (!until)
        return errorReply(HttpStatus::UnprocessableEntity, until.reason());
    if (until->isValid() && *until <= call.now)
        return errorReply(HttpStatus::UnprocessableEntity,
                          QStringLiteral("until is already past; give a time to come, or none."));
    std::optional<QHttpServerResponse> refused;
    if (!knownComputer(call, refused))
        return std::move(*refused);
    const auto standing = m_actions.standingAlert(call.computer);
    if (!standing)
        return storeFailure(standing.reason());
    if (standing->isEmpty())
        return errorReply(
            HttpStatus::Conflict,
            QStringLiteral("%1 has no alert standing: there is nothing to acknowledge.").arg(call.computer));
    const Acknowledgement acknowledgement{call.computer, call.caller->name, *note, call.now,
                                          *until,        *standing};
    const auto stored = m_store.inTransaction([&]() -> Result<> {
        if (auto saved = m_actions.saveAcknowledgement(acknowledgement); !saved)
            return saved;
        if (auto audited = m_fleet.insertAudit(
                {0, call.now, call.caller->name, call.computer, kAcknowledgedSetting, QString(), *note});
            !audited)
            return audited;
        return m_hooks.acknowledged ? m_hooks.acknowledged(acknowledgement) : Result<>::success();
    });
    if (!stored)
        return storeFailure(stored.reason());
    QJsonObject reply;
    insertActions(reply, {acknowledgement, std::nullopt});
    return jsonReply({{"acknowledgement", reply.value("acknowledgement")}});
}

QHttpServerResponse ConsoleApi::maintenanceWindows(const Call& call) {
    std::optional<QHttpServerResponse> refused;
    if (!knownComputer(call, refused))
        return std::move(*refused);
    return listWindows(WindowOwner{call.computer, {}}, call.now);
}

QHttpServerResponse ConsoleApi::planMaintenance(const Call& call) {
    std::optional<QHttpServerResponse> refused;
    if (!knownComputer(call, refused))
        return std::move(*refused);
    return planWindow(call, WindowOwner{call.computer, {}});
}

QHttpServerResponse ConsoleApi::endMaintenance(const Call& call) {
    std::optional<QHttpServerResponse> refused;
    if (!knownComputer(call, refused))
        return std::move(*refused);
    return endWindow(call, WindowOwner{call.computer, {}});
}

QHttpServerResponse ConsoleApi::listWindows(const WindowOwner& owner, const QDateTime& now) {
    const auto windows = m_actions.windows(owner, now);
    if (!windows)
        return storeFailure(windows.reason());
    QJsonArray list;
    for (const MaintenanceWindow& window : *windows)
        list.append(windowJson(window));
    return jsonReply({{"windows", list}});
}

QHttpServerResponse ConsoleApi::planWindow(const Call& call, const WindowOwner& owner) {
    const auto& body = call.request.body;
    if (!body)
        return errorReply(HttpStatus::BadRequest, body.reason());
    const auto note = noteOf(*body, false);
    const auto from = momentOf(*body, QStringLiteral("from"));
    const auto to = momentOf(*body, QStringLiteral("to"));
    for (const QString& reason : {note.reason(), from.reason(), to.reason()}) {
        if (!reason.isEmpty())
            return errorReply(HttpStatus::UnprocessableEntity, reason);
    }
    MaintenanceWindow window{0, owner.computer, *from, *to, call.caller->name, *note, owner.tag};
    if (const auto fits = checkWindow(window, call.now); !fits)
        return errorReply(HttpStatus::UnprocessableEntity, fits.reason());
    const auto stored = m_store.inTransaction([&]() -> Result<> {
        const auto id = m_actions.addWindow(window, call.now);
        if (!id)
            return Failure{id.reason()};
        window.id = *id;
        return m_fleet.insertAudit({0, call.now, call.caller->name, owner.computer, maintenanceSetting(owner),
                                    QString(), windowText(window)});
    });
    if (!stored)
        return storeFailure(stored.reason());
    return jsonReply({{"window", windowJson(window)}}, HttpStatus::Created);
}

QHttpServerResponse ConsoleApi::endWindow(const Call& call, const WindowOwner& owner) {
    bool isNumber = false;
    const qint64 id = call.request.query.queryItemValue(QStringLiteral("id")).toLongLong(&isNumber);
    if (!isNumber)
        return errorReply(HttpStatus::BadRequest, QStringLiteral("Name the window to end: ?id=N."));
    bool ended = false;
    const auto stored = m_store.inTransaction([&]() -> Result<> {
        const auto done = m_actions.endWindow(owner, id, call.now);
        if (!done || !*done)
            return done ? Result<>::success() : Failure{done.reason()};
        ended = true;
        return m_fleet.insertAudit({0, call.now, call.caller->name, owner.computer, maintenanceSetting(owner),
                                    QStringLiteral("window %1").arg(id), QStringLiteral("ended")});
    });
    if (!stored)
        return storeFailure(stored.reason());
    if (!ended)
        return errorReply(
            HttpStatus::NotFound,
            QStringLiteral("%1 has no window %2 still to come or running.").arg(ownerText(owner)).arg(id));
    return jsonReply({{"ended", id}});
}

} // namespace server
