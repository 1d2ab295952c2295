#include "alerting/EventRecorder.h"

#include "domain/EventKinds.h"
#include "store/DiskThresholdStore.h"

#include <QJsonDocument>
#include <QUuid>

namespace server {
namespace {

QJsonObject folderDetails(const FolderReading& folder) {
    return {{QStringLiteral("folder"), QJsonObject{{QStringLiteral("slot"), folder.slot},
                                                   {QStringLiteral("path"), folder.path},
                                                   {QStringLiteral("files"), folder.files},
                                                   {QStringLiteral("limit"), folder.limit}}}};
}

QJsonObject diskDetails(const std::optional<DiskReading>& disk,
                        const std::optional<DiskThreshold>& threshold) {
    return {{QStringLiteral("disk"),
             QJsonObject{{QStringLiteral("drive"), disk ? disk->drive : QString()},
                         {QStringLiteral("freeBytes"), disk ? QJsonValue(*disk->freeBytes) : QJsonValue()},
                         {QStringLiteral("thresholdBytes"),
                          threshold ? QJsonValue(threshold->bytes) : QJsonValue()}}}};
}

} // namespace

Result<> EventRecorder::recordReport(const StatusReport& report, const QDateTime& receivedAt) {
    const QString computer = report.computerName();
    const auto standing = m_events.conditions(computer);
    if (!standing)
        return Failure{standing.reason()};
    if (standing->contains(EventStore::silenceSubject())) {
        if (auto cleared = m_events.clearCondition(computer, EventStore::silenceSubject()); !cleared)
            return cleared;
        if (auto queued = queue(events::computerBack(), computer, receivedAt, {}); !queued)
            return queued;
    }
    const auto readings = folderReadings([&](const QString& key) { return report.value(key); });
    for (const FolderChange& change : folderChanges(readings, *standing)) {
        if (auto applied = applyFolderChange(computer, change, receivedAt); !applied)
            return applied;
    }
    return recordDisk(report, standing->contains(EventStore::diskSubject()), receivedAt);
}

// A disk is low against the threshold that stands when the report arrives; the drive with the least free
// space is the one told.
Result<> EventRecorder::recordDisk(const StatusReport& report, bool wasLow, const QDateTime& at) {
    const QString computer = report.computerName();
    const auto threshold = DiskThresholdStore(m_events.store()).effective(computer);
    if (!threshold)
        return Failure{threshold.reason()};
    const auto disks = diskReadings([&](const QString& key) { return report.value(key); });
    const auto low = lowDisk(disks, *threshold);
    if (low.has_value() == wasLow)
        return Result<>::success();
    const auto stored =
        low ? m_events.setCondition(computer, EventStore::diskSubject(), events::diskLow(), at)
            : m_events.clearCondition(computer, EventStore::diskSubject());
    if (!stored)
        return stored;
    return low ? queue(events::diskLow(), computer, at, diskDetails(low, *threshold))
               : queue(events::diskBackToNormal(), computer, at, diskDetails(fullestDisk(disks), *threshold));
}

Result<> EventRecorder::applyFolderChange(const QString& computer, const FolderChange& change,
                                          const QDateTime& at) {
    const auto stored = change.state ? m_events.setCondition(computer, change.subject, *change.state, at)
                                     : m_events.clearCondition(computer, change.subject);
    if (!stored || change.eventKind.isEmpty())
        return stored;
    return queue(change.eventKind, computer, at, folderDetails(change.folder));
}

Result<> EventRecorder::recordSilences(const QDateTime& now) {
    const auto silences = m_events.newSilences(now);
    if (!silences)
        return Failure{silences.reason()};
    for (const NewSilence& silence : *silences) {
        const QJsonObject details{
            {QStringLiteral("lastReport"), silence.lastReport.toUTC().toString(Qt::ISODateWithMs)},
            {QStringLiteral("silentAfterSeconds"), silence.silentAfterSeconds}};
        const auto stored = m_events.store().inTransaction([&]() -> Result<> {
            if (auto set = m_events.setCondition(silence.computer, EventStore::silenceSubject(),
                                                 events::computerSilent(), now);
                !set)
                return set;
            return queue(events::computerSilent(), silence.computer, now, details);
        });
        if (!stored)
            return stored;
    }
    return Result<>::success();
}

Result<> EventRecorder::recordEnrolmentPending(const QString& computer, const QDateTime& now) {
    return queue(events::enrolmentPending(), computer, now, {});
}

Result<> EventRecorder::recordEnrolmentConflict(const EnrolmentConflict& conflict) {
    const QJsonObject details{{QStringLiteral("address"), conflict.address},
                              {QStringLiteral("fingerprint"), conflict.fingerprint},
                              {QStringLiteral("boundFingerprint"), conflict.boundFingerprint}};
    return queue(events::enrolmentConflict(), conflict.computer, conflict.at, details);
}

Result<> EventRecorder::recordAcknowledgement(const Acknowledgement& acknowledgement) {
    const QJsonObject details{
        {QStringLiteral("operator"), acknowledgement.operatorName},
        {QStringLiteral("note"), acknowledgement.note},
        {QStringLiteral("until"), acknowledgement.until.isValid()
                                      ? QJsonValue(acknowledgement.until.toUTC().toString(Qt::ISODateWithMs))
                                      : QJsonValue()}};
    return queue(events::alertAcknowledged(), acknowledgement.computer, acknowledgement.at, details);
}

Result<> EventRecorder::queue(const QString& kind, const QString& computer, const QDateTime& at,
                              const QJsonObject& details) {
    const QString eventId = QUuid::createUuid().toString(QUuid::WithoutBraces);
    QJsonObject body = details;
    body.insert(QStringLiteral("id"), eventId);
    body.insert(QStringLiteral("type"), kind);
    body.insert(QStringLiteral("computer"), computer);
    body.insert(QStringLiteral("time"), at.toUTC().toString(Qt::ISODateWithMs));
    const auto inMaintenance = m_actions.inMaintenance(computer, at);
    if (!inMaintenance)
        return Failure{inMaintenance.reason()};
    auto added = m_events.addEvent(
        {eventId, kind, computer, at, QJsonDocument(body).toJson(QJsonDocument::Compact), *inMaintenance},
        m_receivers);
    if (added && m_onQueued)
        m_onQueued();
    return added;
}

} // namespace server
