// Tags on computers, the fleet's filter by tag, and maintenance windows for every computer carrying a tag.
#include "api/ConsoleApi.h"
#include "domain/Tags.h"
#include "http/JsonReply.h"

#include <QJsonArray>

namespace server {
namespace {

const QString kTagsSetting = QStringLiteral("tags");

Result<QStringList> tagsOfBody(const Result<QJsonObject>& body) {
    if (!body)
        return Failure{body.reason()};
    const QJsonValue tags = body->value("tags");
    QStringList texts;
    for (const QJsonValue& tag : tags.toArray()) {
        if (!tag.isString())
            return Failure{QStringLiteral("Each tag is a text, e.g. {\"tags\": [\"web\", \"berlin\"]}.")};
        texts << tag.toString();
    }
    if (!tags.isArray())
        return Failure{
            QStringLiteral("Send the computer's tags as a list: {\"tags\": [\"web\", \"berlin\"]}.")};
    return checkTags(texts);
}

} // namespace

Result<std::optional<QSet<QString>>> ConsoleApi::taggedComputers(const QString& tag) {
    if (tag.isEmpty())
        return std::optional<QSet<QString>>();
    const auto computers = m_tags.computersTagged(tag);
    if (!computers)
        return Failure{computers.reason()};
    return std::optional(QSet<QString>(computers->begin(), computers->end()));
}

QHttpServerResponse ConsoleApi::changeTags(const Call& call) {
    const auto tags = tagsOfBody(call.request.body);
    if (!tags)
        return errorReply(call.request.body ? HttpStatus::UnprocessableEntity : HttpStatus::BadRequest,
                          tags.reason());
    std::optional<QHttpServerResponse> refused;
    if (!knownComputer(call, refused))
        return std::move(*refused);
    const auto stored = m_store.inTransaction([&]() -> Result<> {
        const auto before = m_tags.tagsOf({call.computer});
        if (!before)
            return Failure{before.reason()};
        const QStringList old = before->value(call.computer);
        if (old == *tags)
            return Result<>::success();
        if (auto replaced = m_tags.replaceTags(call.computer, *tags); !replaced)
            return replaced;
        const QString separator = QStringLiteral(", ");
        return m_fleet.insertAudit({0, call.now, call.caller->name, call.computer, kTagsSetting,
                                    old.join(separator), tags->join(separator)});
    });
    if (!stored)
        return storeFailure(stored.reason());
    return jsonReply({{"tags", QJsonArray::fromStringList(*tags)}});
}

// The {name} segment as a tag: a refusal when it cannot be one.
std::optional<WindowOwner> ConsoleApi::tagOwner(const Call& call,
                                                std::optional<QHttpServerResponse>& refusal) {
    const auto tag = checkTag(call.computer);
    if (!tag) {
        refusal = errorReply(HttpStatus::BadRequest, tag.reason());
        return std::nullopt;
    }
    return WindowOwner{{}, *tag};
}

QHttpServerResponse ConsoleApi::tagWindows(const Call& call) {
    std::optional<QHttpServerResponse> refused;
    const auto owner = tagOwner(call, refused);
    return owner ? listWindows(*owner, call.now) : std::move(*refused);
}

QHttpServerResponse ConsoleApi::planTagMaintenance(const Call& call) {
    std::optional<QHttpServerResponse> refused;
    const auto owner = tagOwner(call, refused);
    return owner ? planWindow(call, *owner) : std::move(*refused);
}

QHttpServerResponse ConsoleApi::endTagMaintenance(const Call& call) {
    std::optional<QHttpServerResponse> refused;
    const auto owner = tagOwner(call, refused);
    return owner ? endWindow(call, *owner) : std::move(*refused);
}

} // namespace server
