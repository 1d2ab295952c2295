#include "shell/Outbox.h"

#include <memory>
#include <QCoreApplication>
#include <QPointer>

namespace server {

HeldAnswers::Deliver Outbox::keep(QHttpServerResponder&& responder) {
    QTcpSocket* socket = responder.socket();
    ++m_owed[socket];
    auto kept = std::make_shared<QHttpServerResponder>(std::move(responder));
    return [this, kept, client = QPointer<QTcpSocket>(socket), socket](QHttpServerResponse&& answer) {
        auto written = std::make_shared<QHttpServerResponse>(std::move(answer));
        QMetaObject::invokeMethod(this, [this, kept, written, client, socket] {
            if (--m_owed[socket] == 0)
                m_owed.remove(socket);
            // A client gone before its answer finds its data committed all the same, and sends it again
            // next cycle.
            if (client && client->state() == QAbstractSocket::ConnectedState)
                written->write(std::move(*kept));
        });
    };
}

void Outbox::flush() {
    QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
}

} // namespace server
