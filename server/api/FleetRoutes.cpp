// The fleet, one computer, its history and settings, and the audit of changes.
#include "api/ConsoleApi.h"

#include "api/ActionJson.h"
#include "api/ComputerJson.h"
#include "domain/FleetQuery.h"
#include "domain/SettingsRules.h"
#include "http/JsonReply.h"

#include <QJsonArray>
#include <QUrlQuery>

namespace server {
namespace {

constexpr int kDefaultHistory = 50;
constexpr int kDefaultAudit = 100;
constexpr int kLongestList = 1000;

// A whole number query parameter within bounds; `fallback` when absent.
Result<qint64> queryNumber(const QUrlQuery& query, const QString& key, qint64 fallback, qint64 lowest,
                           qint64 highest) {
    if (!query.hasQueryItem(key) || query.queryItemValue(key).isEmpty())
        return fallback;
    bool ok = false;
    const qint64 value = query.queryItemValue(key).toLongLong(&ok);
    if (ok && value >= lowest && value <= highest)
        return value;
    return Failure{
        QStringLiteral("%1 must be a whole number from %2 to %3.").arg(key).arg(lowest).arg(highest)};
}

QString queryText(const QUrlQuery& query, const QString& key) {
    return query.queryItemValue(key, QUrl::FullyDecoded);
}

// A page of a newest-first list: how many entries, and only those older than `before` (0: from the newest).
struct ListWindow {
    qint64 limit = 0;
    qint64 before = 0;

    // Where the next older page starts, once this one came back full.
    template <typename Entries> QJsonValue nextBefore(const Entries& entries) const {
        return entries.size() == limit ? QJsonValue(entries.last().id) : QJsonValue();
    }
};

Result<ListWindow> listWindow(const QUrlQuery& query, qint64 defaultLimit) {
    const auto limit = queryNumber(query, QStringLiteral("limit"), defaultLimit, 1, kLongestList);
    if (!limit)
        return Failure{limit.reason()};
    const auto before =
        queryNumber(query, QStringLiteral("before"), 0, 1, std::numeric_limits<qint64>::max());
    if (!before)
        return Failure{before.reason()};
    return ListWindow{*limit, *before};
}

} // namespace

std::optional<ComputerView> ConsoleApi::knownComputer(const Call& call,
                                                      std::optional<QHttpServerResponse>& refusal) {
    auto view = m_fleet.computer(call.computer, call.now);
    if (!view) {
        refusal = storeFailure(view.reason());
        return std::nullopt;
    }
    if (!*view)
        refusal = errorReply(HttpStatus::NotFound,
                             QStringLiteral("No computer is named \"%1\".").arg(call.computer));
    return std::move(*view);
}

QHttpServerResponse ConsoleApi::fleet(const Call& call) {
    const auto query = readFleetQuery(call.request.query);
    if (!query)
        return errorReply(HttpStatus::BadRequest, query.reason());
    const auto among = taggedComputers(query->tag);
    if (!among)
        return storeFailure(among.reason());
    const auto fleet = m_fleet.fleetPage(*query, *among, call.now);
    if (!fleet)
        return storeFailure(fleet.reason());
    QStringList names;
    for (const ComputerView& computer : fleet->computers)
        names << computer.name;
    const auto tags = m_tags.tagsOf(names);
    if (!tags)
        return storeFailure(tags.reason());
    QJsonArray computers;
    for (const ComputerView& computer : fleet->computers) {
        QJsonObject row = fleetRowJson(computer, call.now);
        insertActions(row, fleet->actions.value(computer.name));
        row.insert("tags", QJsonArray::fromStringList(tags->value(computer.name)));
        computers.append(row);
    }
    QJsonObject counts{{"pending", fleet->pending}};
    for (auto it = fleet->counts.cbegin(); it != fleet->counts.cend(); ++it)
        counts.insert(it.key(), it.value());
    const auto count = [&](ComputerState state) { return fleet->counts.value(computerStateText(state)); };
    return jsonReply({{"page", fleet->page},
                      {"pageSize", query->pageSize},
                      {"sort", fleetOrderWord(query->order)},
                      {"order", query->descending ? "desc" : "asc"},
                      {"total", fleet->matching},
                      {"pages", lastFleetPage(fleet->matching, query->pageSize)},
                      {"counts", counts},
                      {"alerting", count(ComputerState::Alert)},
                      {"unreadableCount", count(ComputerState::Unreadable)},
                      {"silentCount", count(ComputerState::Silent)},
                      {"lowDiskCount", count(ComputerState::LowDisk)},
                      {"nearCount", count(ComputerState::Near)},
                      {"computers", computers}});
}

QHttpServerResponse ConsoleApi::computer(const Call& call) {
    std::optional<QHttpServerResponse> refused;
    const auto view = knownComputer(call, refused);
    if (!view)
        return std::move(*refused);
    const auto read = m_store.readEnrolment(call.computer);
    if (!read)
        return storeFailure(read.reason());
    const std::optional<Enrolment>& enrolment = *read;
    const auto actions = m_actions.actionsOf({call.computer}, call.now);
    const auto tags = m_tags.tagsOf({call.computer});
    if (!actions || !tags)
        return storeFailure(actions.reason() + tags.reason());
    QJsonObject reply = computerJson(*view, call.now);
    insertActions(reply, actions->value(call.computer));
    reply.insert("tags", QJsonArray::fromStringList(tags->value(call.computer)));
    reply.insert("enrolment", enrolment ? QJsonValue(stateText(enrolment->state)) : QJsonValue());
    reply.insert("keyless", enrolment && enrolment->keyless);
    return jsonReply(reply);
}

QHttpServerResponse ConsoleApi::reports(const Call& call) {
    const auto window = listWindow(call.request.query, kDefaultHistory);
    if (!window)
        return errorReply(HttpStatus::BadRequest, window.reason());
    std::optional<QHttpServerResponse> refused;
    if (!knownComputer(call, refused))
        return std::move(*refused);
    const auto stored = m_fleet.reports(call.computer, static_cast<int>(window->limit), window->before);
    if (!stored)
        return storeFailure(stored.reason());
    QJsonArray reports;
    for (const StoredReport& report : *stored) {
        QJsonObject entry = reportJson(report.values);
        entry.insert("id", report.id);
        entry.insert("receivedAt", timeJson(report.receivedAt));
        reports.append(entry);
    }
    return jsonReply({{"reports", reports}, {"nextBefore", window->nextBefore(*stored)}});
}

QHttpServerResponse ConsoleApi::changeSettings(const Call& call) {
    const auto& body = call.request.body;
    if (!body)
        return errorReply(HttpStatus::BadRequest, body.reason());
    std::optional<QHttpServerResponse> refused;
    const auto view = knownComputer(call, refused);
    if (!view)
        return std::move(*refused);
    const SettingsChange change = applySettingsChange(SettingsRecord(view->settings), *body, call.now);
    if (!change.settings) {
        QJsonObject reasons;
        for (auto it = change.reasons.begin(); it != change.reasons.end(); ++it)
            reasons.insert(it.key(), it.value());
        return errorReply(HttpStatus::UnprocessableEntity, QStringLiteral("Some settings are not valid."),
                          {{"reasons", reasons}});
    }
    if (!change.changed.isEmpty()) {
        if (const auto changed =
                m_fleet.changeSettings(*view, change.settings->pieces(), call.caller->name, call.now);
            !changed)
            return storeFailure(changed.reason());
    }
    return jsonReply({{"settings", settingsJson(change.settings->pieces())},
                      {"changed", QJsonArray::fromStringList(change.changed)},
                      {"note", QStringLiteral("The computer picks this up at its next settings download.")}});
}

QHttpServerResponse ConsoleApi::audit(const Call& call) {
    const auto window = listWindow(call.request.query, kDefaultAudit);
    if (!window)
        return errorReply(HttpStatus::BadRequest, window.reason());
    const auto entries = m_fleet.audit(queryText(call.request.query, QStringLiteral("computer")),
                                       queryText(call.request.query, QStringLiteral("operator")),
                                       static_cast<int>(window->limit), window->before);
    if (!entries)
        return storeFailure(entries.reason());
    QJsonArray list;
    for (const AuditEntry& entry : *entries)
        list.append(auditJson(entry));
    return jsonReply({{"entries", list}, {"nextBefore", window->nextBefore(*entries)}});
}

} // namespace server
