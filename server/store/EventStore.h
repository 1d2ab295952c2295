#pragma once

#include "store/ServerStore.h"

#include <optional>
#include <QDateTime>
#include <QHash>

namespace server {

// An event to tell the receivers: its identifier (what a receiver deduplicates on) and its JSON body.
struct NewEvent {
    QString eventId;
    QString kind;
    QString computer;
    QDateTime at;
    QByteArray body;
    bool inMaintenance = false; // recorded only: no receiver is told
};

// One delivery that is due: the event's body for one receiver.
struct DueDelivery {
    qint64 event = 0;
    QString receiver;
    int attempts = 0;
    QDateTime eventAt;
    QString eventId;
    QByteArray body;
};

struct DeliveryState {
    QString receiver;
    QString state; // pending, delivered or failed
    int attempts = 0;
    QString lastError;
};

struct EventSummary {
    qint64 id = 0;
    QString eventId;
    QString kind;
    QString computer;
    QDateTime at;
    QByteArray body;
    bool inMaintenance = false;
    QList<DeliveryState> deliveries;
};

// Which events a list shows; empty or invalid parts match everything. `from` is inclusive, `to` not.
struct EventFilter {
    QString kind;
    QString computer;
    QDateTime from;
    QDateTime to;
};

// A computer that reported once and now stays silent, not yet told.
struct NewSilence {
    QString computer;
    QDateTime lastReport;
    qint64 silentAfterSeconds = 0;
};

// The alerting tables: standing conditions per computer, the events, and the delivery queue.
class EventStore {
public:
    explicit EventStore(ServerStore& store) : m_store(store) {}

    static QString pending() { return QStringLiteral("pending"); }
    static QString delivered() { return QStringLiteral("delivered"); }
    static QString failed() { return QStringLiteral("failed"); }

    // subject -> state of what stands for the computer now (a folder over its limit, silence ...).
    Result<QHash<QString, QString>> conditions(const QString& computer);
    Result<> setCondition(const QString& computer, const QString& subject, const QString& state,
                          const QDateTime& since);
    Result<> clearCondition(const QString& computer, const QString& subject);

    // The event and one pending delivery per receiver, due at once.
    Result<> addEvent(const NewEvent& event, const QStringList& receivers);

    // Pending deliveries to these receivers due at `now`, oldest first.
    Result<QList<DueDelivery>> dueDeliveries(const QStringList& receivers, const QDateTime& now, int limit);
    Result<> markDelivered(qint64 event, const QString& receiver, const QDateTime& at);
    // Counts the attempt; without `nextTry` the delivery is given up.
    Result<> markFailedTry(qint64 event, const QString& receiver, const std::optional<QDateTime>& nextTry,
                           const QString& reason, const QDateTime& at);

    // Newest first, each with its deliveries; only events older than `beforeId` when it is above 0. Ids
    // only grow, so a page that starts before a known id stays the same as new events arrive.
    Result<QList<EventSummary>> events(const EventFilter& filter, int limit, qint64 beforeId);

    Result<QList<NewSilence>> newSilences(const QDateTime& now);

    static QString silenceSubject() { return QStringLiteral("silence"); }
    static QString diskSubject() { return QStringLiteral("disk"); }

    ServerStore& store() { return m_store; }

private:
    ServerStore& m_store;
};

} // namespace server
