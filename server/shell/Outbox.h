#pragma once

#include "exchange/HeldAnswers.h"

#include <QHash>
#include <QHttpServerResponder>
#include <QObject>
#include <QTcpSocket>

namespace server {

// The agents' requests whose answers the main thread is working out, kept on the HTTP thread, which owns
// their connections: an answer handed over from the main thread is written here, in the order handed over.
class Outbox : public QObject {
public:
    // Keeps the responder; the function returned may be called on any thread, once, with the answer.
    HeldAnswers::Deliver keep(QHttpServerResponder&& responder);
    // Whether an answer to this connection is still to be written.
    bool owes(const QTcpSocket* socket) const { return m_owed.contains(socket); }
    // Writes the answers handed over so far; on this object's thread.
    void flush();

private:
    QHash<const QTcpSocket*, int> m_owed;
};

} // namespace server
