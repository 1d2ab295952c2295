#include "alerting/ReceiverTester.h"

#include "domain/EventKinds.h"
#include "alerting/WebhookSignature.h"
#include "domain/ServerClock.h"

#include <QDebug>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkReply>
#include <QUuid>

namespace server {
namespace {

QString answerText(QNetworkReply* reply) {
    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (!status.isValid())
        return QStringLiteral("No answer: %1").arg(reply->errorString());
    const QString body = QString::fromUtf8(reply->read(ReceiverTester::kLongestAnswer)).simplified();
    return QStringLiteral("HTTP %1%2").arg(status.toInt()).arg(body.isEmpty() ? QString() : ": " + body);
}

} // namespace

void ReceiverTester::test(const ConsoleReceiver& receiver) {
    const QString eventId = QUuid::createUuid().toString(QUuid::WithoutBraces);
    const QByteArray body =
        QJsonDocument(QJsonObject{
                          {QStringLiteral("id"), eventId},
                          {QStringLiteral("type"), events::webhookTest()},
                          {QStringLiteral("time"), currentTime().toUTC().toString(Qt::ISODateWithMs)},
                      })
            .toJson(QJsonDocument::Compact);
    QNetworkRequest request{QUrl(receiver.url)};
    request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArrayLiteral("application/json"));
    request.setRawHeader(webhook::kEventIdHeader, eventId.toLatin1());
    request.setRawHeader(webhook::kSignatureHeader, webhook::signature(receiver.secret, body));
    request.setTransferTimeout(static_cast<int>(m_timeout.count()));
    QNetworkReply* reply = m_network.post(request, body);
    connect(reply, &QNetworkReply::finished, this, [this, id = receiver.id, reply] { answered(id, reply); });
}

void ReceiverTester::answered(qint64 receiver, QNetworkReply* reply) {
    reply->deleteLater();
    if (const auto stored = m_receivers.recordTest(receiver, currentTime(), answerText(reply)); !stored)
        qWarning().noquote() << "the answer to a webhook test could not be stored:" << stored.reason();
}

} // namespace server
