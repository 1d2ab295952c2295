#pragma once

#include "alerting/RetrySchedule.h"
#include "store/EventStore.h"

#include <QNetworkAccessManager>
#include <QObject>
#include <QSet>
#include <QTimer>

namespace server {

// Sends queued events to the receivers, on the event loop without ever waiting for one: each POST is
// asynchronous with its own time-out, each receiver has only a few requests in flight, so a slow or dead
// receiver holds up neither the agents' exchange nor the other receivers. A delivery is marked done only
// once its receiver answered 2xx; anything else is retried on the schedule. What was in flight when the
// server stopped is still pending in the database and goes again after the restart (at least once).
class WebhookDelivery : public QObject {
    Q_OBJECT
public:
    explicit WebhookDelivery(EventStore& events);

    // Where events go and the secret that signs what each is sent.
    struct Receiver {
        QString url;
        QByteArray secret;
    };
    struct Settings {
        QList<Receiver> receivers;
        RetrySchedule schedule;
        std::chrono::milliseconds requestTimeout{std::chrono::seconds(10)};
    };
    void start(const Settings& settings);
    // Receivers added or disabled while the server runs; deliveries pending for a receiver no longer
    // listed stay pending.
    void setReceivers(const QList<Receiver>& receivers);

    // Looks for due deliveries at the next turn of the event loop.
    void kick();

    static constexpr int kInFlightPerReceiver = 4;

private:
    void sendDue();
    void send(const DueDelivery& delivery);
    void finished(const DueDelivery& delivery, QNetworkReply* reply);

    EventStore& m_events;
    Settings m_settings;
    QHash<QString, QByteArray> m_secrets; // by receiver
    QNetworkAccessManager m_network;
    QTimer m_poll;
    QSet<QString> m_inFlight; // "event receiver"
    QHash<QString, int> m_inFlightByReceiver;
    bool m_kicked = false;
};

} // namespace server
