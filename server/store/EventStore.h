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
    QList<DeliveryState> deliveries;
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
    std::optional<QHash<QString, QString>> conditions(const QString& computer, QString* error);
    bool setCondition(const QString& computer, const QString& subject, const QString& state,
                      const QDateTime& since, QString* error);
    bool clearCondition(const QString& computer, const QString& subject, QString* error);

    // The event and one pending delivery per receiver, due at once.
    bool addEvent(const NewEvent& event, const QStringList& receivers, QString* error);

    // Pending deliveries to these receivers due at `now`, oldest first.
    std::optional<QList<DueDelivery>> dueDeliveries(const QStringList& receivers, const QDateTime& now,
                                                    int limit, QString* error);
    bool markDelivered(qint64 event, const QString& receiver, const QDateTime& at, QString* error);
    // Counts the attempt; without `nextTry` the delivery is given up.
    bool markFailedTry(qint64 event, const QString& receiver, const std::optional<QDateTime>& nextTry,
                       const QString& reason, const QDateTime& at, QString* error);

    // Newest first, each with its deliveries.
    std::optional<QList<EventSummary>> recentEvents(int limit, QString* error);

    std::optional<QList<NewSilence>> newSilences(const QDateTime& now, QString* error);

    static QString silenceSubject() { return QStringLiteral("silence"); }

    ServerStore& store() { return m_store; }

private:
    ServerStore& m_store;
};

} // namespace server
