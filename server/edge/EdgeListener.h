#pragma once

#include "edge/EdgeLimits.h"
#include "edge/Refusal.h"
#include "http/ClientAddress.h"

#include <functional>
#include <optional>
#include <QElapsedTimer>
#include <QHash>
#include <QSet>
#include <QSslConfiguration>
#include <QTcpServer>
#include <QTimer>

namespace server {

class ConnectionGuard;

// The server's listening socket, handed to the HTTP layer: it admits a connection only within the caps
// (per address, trusted proxies excepted, and in total; beyond them a connection is closed on arrival,
// never left queued unread), sets a guard on each (see ConnectionGuard) and does the TLS handshake, within
// the head's time, before the HTTP layer sees the socket.
class EdgeListener : public QTcpServer {
public:
    EdgeListener(const EdgeLimits& limits, BodyLimit bodyLimit, TrustedProxies trustedProxies);
    ~EdgeListener() override;

    void useTls(const QSslConfiguration& configuration) { m_tls = configuration; }
    // Told of every refusal and of every change in the number of open connections.
    void watch(std::function<void(Refusal)> refused, std::function<void(int)> openConnections);

    // Told of a connection's bytes just before the HTTP layer parses them, so that an answer still owed on
    // it goes out before the next request's.
    void beforeParsing(std::function<void(const QTcpSocket*)> arriving) { m_arriving = std::move(arriving); }
    void arriving(const QTcpSocket* socket) const {
        if (m_arriving)
            m_arriving(socket);
    }

    // The connection whose request the HTTP layer is reading and answering right now, if any: routes ask
    // for it to stream their answer at the client's pace.
    ConnectionGuard* answering() const { return m_answering; }

    // For the guards.
    qint64 now() const { return m_clock.elapsed(); }
    void count(Refusal refusal);
    void enter(ConnectionGuard* guard);
    void leave(ConnectionGuard* guard);
    void setAnswering(ConnectionGuard* guard) { m_answering = guard; }

protected:
    void incomingConnection(qintptr descriptor) override;

private:
    std::optional<Refusal> admit(const QHostAddress& peer) const;
    void handOver(QTcpSocket* socket, ConnectionGuard* guard);
    void sweep();

    const EdgeLimits m_limits;
    const BodyLimit m_bodyLimit;
    const TrustedProxies m_trustedProxies;
    std::optional<QSslConfiguration> m_tls;
    std::function<void(Refusal)> m_refused;
    std::function<void(int)> m_openConnections;
    std::function<void(const QTcpSocket*)> m_arriving;
    QSet<ConnectionGuard*> m_guards;
    QHash<QHostAddress, int> m_perAddress;
    ConnectionGuard* m_answering = nullptr;
    QElapsedTimer m_clock;
    QTimer m_sweep;
};

} // namespace server
