// The events told to webhook receivers, newest first, each with its deliveries' state: a page at a time
// as JSON, or every match as CSV.
#include "api/ActionJson.h"
#include "api/ComputerJson.h"
#include "api/ConsoleApi.h"
#include "api/CsvText.h"
#include "http/JsonReply.h"

#include <limits>
#include <QJsonArray>
#include <QJsonDocument>

namespace server {
namespace {

constexpr int kDefaultEvents = 100;
constexpr int kMostEvents = 1000;
constexpr int kMostExported = 50000;

// What a list of events asks for: which events, how many, and from which cursor.
struct EventQuery {
    EventFilter filter;
    int limit = kDefaultEvents;
    qint64 before = 0;
};

Result<QDateTime> queryMoment(const QUrlQuery& query, const QString& key) {
    const QString text = query.queryItemValue(key, QUrl::FullyDecoded);
    if (text.isEmpty())
        return QDateTime();
    if (const auto moment = readApiMoment(text))
        return *moment;
    return Failure{QStringLiteral("%1 is not a date and time; write it like 2026-12-07T08:00:00Z.").arg(key)};
}

Result<qint64> queryWhole(const QUrlQuery& query, const QString& key, qint64 fallback, qint64 highest) {
    const QString text = query.queryItemValue(key);
    if (text.isEmpty())
        return fallback;
    bool ok = false;
    const qint64 value = text.toLongLong(&ok);
    if (!ok || value < 1 || value > highest)
        return Failure{QStringLiteral("%1 must be a whole number from 1 to %2.").arg(key).arg(highest)};
    return value;
}

Result<EventQuery> readEventQuery(const QUrlQuery& query) {
    EventQuery asked;
    asked.filter.kind = query.queryItemValue(QStringLiteral("type"), QUrl::FullyDecoded);
    asked.filter.computer = query.queryItemValue(QStringLiteral("computer"), QUrl::FullyDecoded);
    const auto from = queryMoment(query, QStringLiteral("from"));
    const auto to = queryMoment(query, QStringLiteral("to"));
    const auto limit = queryWhole(query, QStringLiteral("limit"), kDefaultEvents, kMostEvents);
    const auto before = queryWhole(query, QStringLiteral("before"), 0, std::numeric_limits<qint64>::max());
    for (const QString& reason : {from.reason(), to.reason(), limit.reason(), before.reason()}) {
        if (!reason.isEmpty())
            return Failure{reason};
    }
    asked.filter.from = *from;
    asked.filter.to = *to;
    asked.limit = int(*limit);
    asked.before = *before;
    return asked;
}

// The folder an event is about, and who acknowledged, as the body told the receivers.
struct EventDetails {
    QString folder;
    QString files;
    QString limit;
    QString operatorName;
    QString note;
};

EventDetails detailsOf(const EventSummary& event) {
    const QJsonObject body = QJsonDocument::fromJson(event.body).object();
    const QJsonObject folder = body.value("folder").toObject();
    return {folder.value("path").toString(), folder.value("files").toString(),
            folder.value("limit").toString(), body.value("operator").toString(),
            body.value("note").toString()};
}

QJsonObject eventJson(const EventSummary& event) {
    QJsonArray deliveries;
    for (const DeliveryState& delivery : event.deliveries)
        deliveries.append(QJsonObject{{"receiver", delivery.receiver},
                                      {"state", delivery.state},
                                      {"attempts", delivery.attempts},
                                      {"lastError", delivery.lastError}});
    const EventDetails details = detailsOf(event);
    return {{"id", event.id},
            {"eventId", event.eventId},
            {"type", event.kind},
            {"computer", event.computer},
            {"at", timeJson(event.at)},
            {"folder", details.folder},
            {"files", details.files},
            {"limit", details.limit},
            {"operator", details.operatorName},
            {"note", details.note},
            {"inMaintenance", event.inMaintenance},
            {"deliveries", deliveries}};
}

QString csvLine(const EventSummary& event) {
    QStringList deliveries;
    for (const DeliveryState& delivery : event.deliveries)
        deliveries << delivery.receiver + QLatin1Char(' ') + delivery.state;
    const EventDetails details = detailsOf(event);
    return csv::row({QString::number(event.id), timeJson(event.at).toString(), event.kind, event.computer,
                     details.folder, details.files, details.limit,
                     event.inMaintenance ? QStringLiteral("yes") : QStringLiteral("no"), details.operatorName,
                     details.note, deliveries.join(QStringLiteral("; "))});
}

} // namespace

QHttpServerResponse ConsoleApi::events(const Call& call) {
    const auto asked = readEventQuery(call.request.query);
    if (!asked)
        return errorReply(HttpStatus::BadRequest, asked.reason());
    const auto events = m_events.events(asked->filter, asked->limit, asked->before);
    if (!events)
        return storeFailure(events.reason());
    QJsonArray list;
    for (const EventSummary& event : *events)
        list.append(eventJson(event));
    return jsonReply(
        {{"events", list},
         {"nextBefore", events->size() == asked->limit ? QJsonValue(events->last().id) : QJsonValue()}});
}

// The newest kMostExported matches, read a page at a time.
QHttpServerResponse ConsoleApi::eventsCsv(const Call& call) {
    auto asked = readEventQuery(call.request.query);
    if (!asked)
        return errorReply(HttpStatus::BadRequest, asked.reason());
    QString text = csv::row({"id", "time", "type", "computer", "folder", "files", "limit", "in maintenance",
                             "operator", "note", "deliveries"});
    for (int written = 0; written < kMostExported;) {
        const auto events = m_events.events(asked->filter, kMostEvents, asked->before);
        if (!events)
            return storeFailure(events.reason());
        for (const EventSummary& event : *events)
            text += csvLine(event);
        written += int(events->size());
        if (events->size() < kMostEvents)
            break;
        asked->before = events->last().id;
    }
    QHttpServerResponse response(QByteArrayLiteral("text/csv; charset=utf-8"), text.toUtf8());
    response.setHeader("Content-Disposition", "attachment; filename=\"events.csv\"");
    response.setHeader("Cache-Control", "no-store");
    return response;
}

} // namespace server
