#include "alerting/EventRecorder.h"

#include "alerting/EventKinds.h"

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

} // namespace

bool EventRecorder::recordReport(const StatusReport& report, const QDateTime& receivedAt, QString* error) {
    const QString computer = report.computerName();
    const auto standing = m_events.conditions(computer, error);
    if (!standing)
        return false;
    if (standing->contains(EventStore::silenceSubject()) &&
        !(m_events.clearCondition(computer, EventStore::silenceSubject(), error) &&
          queue(events::computerBack(), computer, receivedAt, {}, error)))
        return false;
    const auto readings = folderReadings([&](const QString& key) { return report.value(key); });
    for (const FolderChange& change : folderChanges(readings, *standing)) {
        if (!applyFolderChange(computer, change, receivedAt, error))
            return false;
    }
    return true;
}

bool EventRecorder::applyFolderChange(const QString& computer, const FolderChange& change,
                                      const QDateTime& at, QString* error) {
    const bool stored = change.state
                            ? m_events.setCondition(computer, change.subject, *change.state, at, error)
                            : m_events.clearCondition(computer, change.subject, error);
    return stored && (change.eventKind.isEmpty() ||
                      queue(change.eventKind, computer, at, folderDetails(change.folder), error));
}

bool EventRecorder::recordSilences(const QDateTime& now, QString* error) {
    const auto silences = m_events.newSilences(now, error);
    if (!silences)
        return false;
    for (const NewSilence& silence : *silences) {
        const QJsonObject details{
            {QStringLiteral("lastReport"), silence.lastReport.toUTC().toString(Qt::ISODateWithMs)},
            {QStringLiteral("silentAfterSeconds"), silence.silentAfterSeconds}};
        const bool stored = m_events.store().inTransaction(
            [&] {
                return m_events.setCondition(silence.computer, EventStore::silenceSubject(),
                                             events::computerSilent(), now, error) &&
                       queue(events::computerSilent(), silence.computer, now, details, error);
            },
            error);
        if (!stored)
            return false;
    }
    return true;
}

bool EventRecorder::recordEnrolmentPending(const QString& computer, const QDateTime& now, QString* error) {
    return queue(events::enrolmentPending(), computer, now, {}, error);
}

bool EventRecorder::queue(const QString& kind, const QString& computer, const QDateTime& at,
                          const QJsonObject& details, QString* error) {
    const QString eventId = QUuid::createUuid().toString(QUuid::WithoutBraces);
    QJsonObject body = details;
    body.insert(QStringLiteral("id"), eventId);
    body.insert(QStringLiteral("type"), kind);
    body.insert(QStringLiteral("computer"), computer);
    body.insert(QStringLiteral("time"), at.toUTC().toString(Qt::ISODateWithMs));
    if (!m_events.addEvent({eventId, kind, computer, at, QJsonDocument(body).toJson(QJsonDocument::Compact)},
                           m_receivers, error))
        return false;
    if (m_onQueued)
        m_onQueued();
    return true;
}

} // namespace server
