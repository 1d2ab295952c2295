// A computer's history over a range of time, as the console's charts draw it.
#include "api/ConsoleApi.h"

#include "api/ComputerJson.h"
#include "domain/HistoryRange.h"
#include "http/JsonReply.h"

#include <QJsonArray>
#include <QUrlQuery>

namespace server {
namespace {

// Enough points for a chart as wide as a screen; more would only cost bytes and drawing time.
constexpr int kPointsPerLine = 500;

QJsonValue momentJson(qint64 atMs) {
    return QDateTime::fromMSecsSinceEpoch(atMs, Qt::UTC).toString(Qt::ISODateWithMs);
}

QJsonObject folderJson(const FolderSeries& series) {
    QJsonArray points;
    for (const FolderPoint& point : series.points)
        points.append(QJsonObject{{"at", momentJson(point.atMs)},
                                  {"count", numberJson(point.count)},
                                  {"limit", numberJson(point.limit)}});
    QJsonArray changes;
    for (const LimitChange& change : series.limitChanges)
        changes.append(QJsonObject{{"at", momentJson(change.atMs)},
                                   {"from", numberJson(change.from)},
                                   {"to", numberJson(change.to)}});
    return {{"slot", series.slot}, {"dir", series.dir}, {"points", points}, {"limitChanges", changes}};
}

QJsonObject diskJson(const DiskSeries& series) {
    QJsonArray points;
    for (const DiskPoint& point : series.points)
        points.append(
            QJsonObject{{"at", momentJson(point.atMs)}, {"freeBytes", numberJson(point.freeBytes)}});
    return {{"drive", series.drive}, {"points", points}};
}

} // namespace

QHttpServerResponse ConsoleApi::history(const Call& call) {
    const QUrlQuery& query = call.request.query;
    const auto range = historyRange(query.queryItemValue(QStringLiteral("from"), QUrl::FullyDecoded),
                                    query.queryItemValue(QStringLiteral("to"), QUrl::FullyDecoded), call.now);
    if (!range)
        return errorReply(HttpStatus::BadRequest, range.reason());
    std::optional<QHttpServerResponse> refused;
    if (!knownComputer(call, refused))
        return std::move(*refused);
    const auto history = m_history.history(call.computer, range->from, range->to, kPointsPerLine);
    if (!history)
        return storeFailure(history.reason());
    QJsonArray folders;
    for (const FolderSeries& series : history->folders)
        folders.append(folderJson(series));
    QJsonArray disks;
    for (const DiskSeries& series : history->disks)
        disks.append(diskJson(series));
    return jsonReply({{"from", momentJson(range->from.toMSecsSinceEpoch())},
                      {"to", momentJson(range->to.toMSecsSinceEpoch())},
                      {"bucketSeconds", history->bucketMs / 1000.0},
                      {"folders", folders},
                      {"disks", disks}});
}

} // namespace server
