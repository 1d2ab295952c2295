#pragma once

#include "alerting/FolderChanges.h"
#include "domain/Acknowledgement.h"
#include "domain/StatusReport.h"
#include "store/EventStore.h"
#include "store/OperatorActionStore.h"

#include <functional>
#include <QJsonObject>

namespace server {

// Turns what the server learns into events in the queue: a report's folder changes and a silent
// computer's return (inside the report's transaction), silences found by the timer, and computers
// waiting for enrolment, and operators' acknowledgements. Each event gets one pending delivery per
// configured receiver, unless its computer is in a maintenance window: then it is only recorded.
class EventRecorder {
public:
    explicit EventRecorder(ServerStore& store) : m_events(store), m_actions(store) {}

    void setReceivers(const QStringList& receivers) { m_receivers = receivers; }
    // Called after events were queued, so delivery can start without waiting for its timer.
    void setOnQueued(std::function<void()> onQueued) { m_onQueued = std::move(onQueued); }

    Result<> recordReport(const StatusReport& report, const QDateTime& receivedAt);
    Result<> recordSilences(const QDateTime& now);
    Result<> recordEnrolmentPending(const QString& computer, const QDateTime& now);
    Result<> recordEnrolmentConflict(const EnrolmentConflict& conflict);
    // Inside the transaction that stores the acknowledgement.
    Result<> recordAcknowledgement(const Acknowledgement& acknowledgement);

    EventStore& events() { return m_events; }

private:
    Result<> recordDisk(const StatusReport& report, bool wasLow, const QDateTime& at);
    Result<> applyFolderChange(const QString& computer, const FolderChange& change, const QDateTime& at);
    Result<> queue(const QString& kind, const QString& computer, const QDateTime& at,
                   const QJsonObject& details);

    EventStore m_events;
    OperatorActionStore m_actions;
    QStringList m_receivers;
    std::function<void()> m_onQueued;
};

} // namespace server
