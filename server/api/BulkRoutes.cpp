// Settings changed on many computers in one step: a preview of every computer's change, then the change
// itself, all or nothing, refused when what it would do is no longer what was previewed.
#include "api/ComputerJson.h"
#include "api/ConsoleApi.h"
#include "domain/BulkChange.h"
#include "domain/FleetQuery.h"
#include "http/JsonReply.h"

#include <QJsonArray>
#include <QLocale>

namespace server {
namespace {

QString count(int number) {
    return QLocale(QLocale::English).toString(number);
}

QJsonObject outcomeJson(const BulkOutcome& outcome) {
    QJsonArray shifts;
    for (const SettingShift& shift : outcome.shifts)
        shifts.append(QJsonObject{{"setting", shift.setting},
                                  {"old", shift.oldValue},
                                  {"new", shift.newValue},
                                  {"changed", shift.oldValue != shift.newValue}});
    QJsonObject reasons;
    for (auto it = outcome.reasons.begin(); it != outcome.reasons.end(); ++it)
        reasons.insert(it.key(), it.value());
    return {{"name", outcome.name}, {"changes", shifts}, {"reasons", reasons}};
}

QJsonObject planJson(const BulkPlan& plan) {
    QJsonArray computers;
    for (const BulkOutcome& outcome : plan.computers)
        computers.append(outcomeJson(outcome));
    return {{"fingerprint", plan.fingerprint},
            {"count", plan.computers.size()},
            {"refused", plan.refused},
            {"changes", plan.changes},
            {"computers", computers}};
}

QString unknownNames(const QSet<QString>& asked, const QList<ComputerView>& found) {
    QSet<QString> unknown = asked;
    for (const ComputerView& computer : found)
        unknown.remove(computer.name);
    QStringList names(unknown.begin(), unknown.end());
    names.sort();
    return names.join(QStringLiteral(", "));
}

Result<QJsonObject> changesOf(const QJsonObject& body) {
    const QJsonObject changes = body.value("changes").toObject();
    if (changes.isEmpty())
        return Failure{
            QStringLiteral("Choose at least one setting to change: {\"changes\": {\"SettingTime\": "
                           "\"9\"}}.")};
    return changes;
}

} // namespace

// The computers a change names, or those the fleet's filter finds now, with their settings as stored.
std::optional<QList<ComputerView>> ConsoleApi::bulkComputers(const QJsonObject& body, const QDateTime& now,
                                                             std::optional<QHttpServerResponse>& refusal) {
    const auto refuse = [&](const QString& reason, HttpStatus status = HttpStatus::UnprocessableEntity) {
        refusal = errorReply(status, reason);
        return std::nullopt;
    };
    const bool named = body.contains("computers");
    if (named == body.contains("filter"))
        return refuse(QStringLiteral("Name the computers ({\"computers\": [\"PC-1\", ...]}) or give the "
                                     "fleet's filter ({\"filter\": {\"tag\": \"web\"}}), one of the two."),
                      HttpStatus::BadRequest);
    FleetQuery query;
    std::optional<QSet<QString>> among;
    if (named) {
        const QStringList names = body.value("computers").toVariant().toStringList();
        if (names.isEmpty())
            return refuse(QStringLiteral("Name at least one computer."));
        if (names.size() > kMostNamesInBulk)
            return refuse(QStringLiteral("Name at most %1 computers; change more of them at once by a filter "
                                         "(up to %2).")
                              .arg(count(kMostNamesInBulk), count(kMostComputersInBulk)));
        among = QSet<QString>(names.begin(), names.end());
    } else {
        const QJsonObject filter = body.value("filter").toObject();
        const auto read =
            readFleetQuery([&filter](const QString& key) { return filter.value(key).toString(); });
        if (!read)
            return refuse(read.reason());
        query = *read;
        auto tagged = taggedComputers(query.tag);
        if (!tagged) {
            refusal = storeFailure(tagged.reason());
            return std::nullopt;
        }
        among = std::move(*tagged);
    }
    query.page = 1;
    query.pageSize = kMostComputersInBulk;
    const auto found = m_fleet.fleetPage(query, among, now);
    if (!found) {
        refusal = storeFailure(found.reason());
        return std::nullopt;
    }
    if (found->matching > kMostComputersInBulk)
        return refuse(
            QStringLiteral("The filter matches %1 computers; one change covers at most %2: narrow the "
                           "filter.")
                .arg(count(found->matching), count(kMostComputersInBulk)));
    if (named && found->matching < among->size())
        return refuse(QStringLiteral("No computer is named %1.").arg(unknownNames(*among, found->computers)));
    if (found->computers.isEmpty())
        return refuse(QStringLiteral("No computer matches the filter."));
    return found->computers;
}

std::optional<BulkPlan> ConsoleApi::bulkPlan(const Call& call, QList<ComputerView>& computers,
                                             std::optional<QHttpServerResponse>& refusal) {
    const auto& body = call.request.body;
    if (!body) {
        refusal = errorReply(HttpStatus::BadRequest, body.reason());
        return std::nullopt;
    }
    const auto changes = changesOf(*body);
    if (!changes) {
        refusal = errorReply(HttpStatus::UnprocessableEntity, changes.reason());
        return std::nullopt;
    }
    auto found = bulkComputers(*body, call.now, refusal);
    if (!found)
        return std::nullopt;
    computers = std::move(*found);
    QList<BulkComputer> asked;
    for (const ComputerView& computer : computers)
        asked << BulkComputer{computer.name, computer.settings};
    return planBulkChange(asked, *changes, call.now);
}

QHttpServerResponse ConsoleApi::previewBulkChange(const Call& call) {
    QList<ComputerView> computers;
    std::optional<QHttpServerResponse> refused;
    const auto plan = bulkPlan(call, computers, refused);
    return plan ? jsonReply(planJson(*plan)) : std::move(*refused);
}

QHttpServerResponse ConsoleApi::applyBulkChange(const Call& call) {
    const QString previewed =
        call.request.body ? call.request.body->value("fingerprint").toString() : QString();
    if (call.request.body && previewed.isEmpty())
        return errorReply(HttpStatus::BadRequest,
                          QStringLiteral("Preview the change first and send its fingerprint with it."));
    QList<ComputerView> computers;
    std::optional<QHttpServerResponse> refused;
    const auto plan = bulkPlan(call, computers, refused);
    if (!plan)
        return std::move(*refused);
    if (plan->fingerprint != previewed)
        return errorReply(
            HttpStatus::Conflict,
            QStringLiteral("The computers or their settings changed since the preview, so nothing "
                           "was saved: preview again and check the change before applying it."),
            planJson(*plan));
    if (plan->refused)
        return errorReply(HttpStatus::UnprocessableEntity,
                          QStringLiteral("Nothing was saved: %1 of %2 computers cannot take this change.")
                              .arg(count(plan->refused), count(int(computers.size()))),
                          planJson(*plan));
    QHash<QString, const ComputerView*> byName;
    for (const ComputerView& computer : computers)
        byName.insert(computer.name, &computer);
    const auto stored = m_store.inTransaction([&]() -> Result<> {
        for (const BulkOutcome& outcome : plan->computers) {
            const ComputerView& computer = *byName.value(outcome.name);
            if (computer.settings == outcome.newSettings)
                continue;
            if (auto written =
                    m_fleet.writeSettings(computer, outcome.newSettings, call.caller->name, call.now);
                !written)
                return written;
        }
        return Result<>::success();
    });
    if (!stored)
        return storeFailure(stored.reason());
    return jsonReply({{"count", computers.size()}, {"changes", plan->changes}});
}

} // namespace server
