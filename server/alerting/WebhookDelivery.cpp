#include "alerting/WebhookDelivery.h"

#include "alerting/WebhookSignature.h"
#include "domain/ServerClock.h"

#include <QDebug>
#include <QNetworkReply>

namespace server {
namespace {

constexpr int kDuePerLook = 100;

QString flightKey(const DueDelivery& delivery) {
    return QString::number(delivery.event) + QLatin1Char(' ') + delivery.receiver;
}

QString failureReason(QNetworkReply* reply) {
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (status != 0)
        return QStringLiteral("HTTP %1").arg(status);
    return reply->errorString();
}

} // namespace

WebhookDelivery::WebhookDelivery(EventStore& events) : m_events(events) {
    connect(&m_poll, &QTimer::timeout, this, &WebhookDelivery::sendDue);
}

void WebhookDelivery::start(const Settings& settings) {
    m_settings = settings;
    setReceivers(settings.receivers);
    // Retries come due on their own; looking twice per first delay (at most every second) finds them soon.
    // The look costs nothing while there is no receiver, and one may be added at any time.
    const auto half = std::max<qint64>(50, m_settings.schedule.firstDelay.count() / 2);
    m_poll.start(static_cast<int>(std::min<qint64>(1000, half)));
}

void WebhookDelivery::setReceivers(const QList<Receiver>& receivers) {
    m_settings.receivers = receivers;
    m_secrets.clear();
    for (const Receiver& receiver : receivers)
        m_secrets.insert(receiver.url, receiver.secret);
    kick();
}

void WebhookDelivery::kick() {
    if (m_settings.receivers.isEmpty() || m_kicked)
        return;
    m_kicked = true;
    QTimer::singleShot(0, this, [this] {
        m_kicked = false;
        sendDue();
    });
}

// Settled first: an event is sent only once the report that raised it is committed.
void WebhookDelivery::sendDue() {
    m_events.store().settle();
    // Receivers with all their requests in flight (a dead one, mostly) are not even looked up for.
    QStringList withRoom;
    for (const Receiver& receiver : m_settings.receivers) {
        if (m_inFlightByReceiver.value(receiver.url) < kInFlightPerReceiver)
            withRoom << receiver.url;
    }
    if (withRoom.isEmpty())
        return;
    const auto due = m_events.dueDeliveries(withRoom, currentTime(), kDuePerLook);
    if (!due) {
        qWarning().noquote() << "webhook deliveries could not be read:" << due.reason();
        return;
    }
    for (const DueDelivery& delivery : *due) {
        if (!m_inFlight.contains(flightKey(delivery)) &&
            m_inFlightByReceiver.value(delivery.receiver) < kInFlightPerReceiver)
            send(delivery);
    }
}

void WebhookDelivery::send(const DueDelivery& delivery) {
    QNetworkRequest request{QUrl(delivery.receiver)};
    request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArrayLiteral("application/json"));
    request.setRawHeader(webhook::kEventIdHeader, delivery.eventId.toLatin1());
    request.setRawHeader(webhook::kSignatureHeader,
                         webhook::signature(m_secrets.value(delivery.receiver), delivery.body));
    request.setTransferTimeout(static_cast<int>(m_settings.requestTimeout.count()));
    m_inFlight.insert(flightKey(delivery));
    ++m_inFlightByReceiver[delivery.receiver];
    QNetworkReply* reply = m_network.post(request, delivery.body);
    connect(reply, &QNetworkReply::finished, this, [this, delivery, reply] { finished(delivery, reply); });
}

void WebhookDelivery::finished(const DueDelivery& delivery, QNetworkReply* reply) {
    reply->deleteLater();
    m_inFlight.remove(flightKey(delivery));
    --m_inFlightByReceiver[delivery.receiver];
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const QDateTime now = currentTime();
    const bool accepted = reply->error() == QNetworkReply::NoError && status >= 200 && status < 300;
    const auto stored = accepted ? m_events.markDelivered(delivery.event, delivery.receiver, now)
                                 : m_events.markFailedTry(delivery.event, delivery.receiver,
                                                          m_settings.schedule.nextTry(delivery.attempts + 1,
                                                                                      delivery.eventAt, now),
                                                          failureReason(reply), now);
    if (!stored)
        qWarning().noquote() << "webhook delivery state could not be stored:" << stored.reason();
}

} // namespace server
