#pragma once

#include "edge/EdgeLimits.h"
#include "edge/Refusal.h"
#include "edge/RequestFraming.h"

#include <memory>
#include <QFile>
#include <QHostAddress>
#include <QPointer>

class QTcpSocket;

namespace server {

class EdgeListener;

// The watch over one admitted connection. It reads each arriving byte just before the HTTP parser does
// (peeking, so the parser still gets them all), frames the requests, refuses what is over the bounds and
// drops the connection when its current deadline passes: the head, the body, the answer's reader or the
// wait between requests. It lives as long as its socket.
class ConnectionGuard : public QObject {
public:
    static constexpr qint64 kDrainPiece = 64 * 1024;
    static constexpr qint64 kDrainAllowance = 256 * 1024;

    ConnectionGuard(QTcpSocket* socket, EdgeListener& edge, const EdgeLimits& limits, BodyLimit bodyLimit,
                    qint64 now);
    ~ConnectionGuard() override;

    QHostAddress peer() const { return m_peer; }

    // The socket has gone to the HTTP layer, whose reading slot now follows this guard's first one.
    void handedOver();
    // Drops the connection when its deadline has passed (`now` on the edge's clock).
    void expireIf(qint64 now);
    // A file sent as the answer, paced to the client's reading; the device goes to the HTTP layer's writer.
    QIODevice* pace(std::unique_ptr<QFile> file);

private:
    void beforeParser();
    void afterParser();
    void frame(const QByteArray& bytes);
    void written();
    void checkAnswered();
    void waitForNextStep();
    void refuse(Refusal refusal);
    void drain();
    void discardInput();
    void setDeadline(std::chrono::milliseconds within, Refusal onExpiry);

    QTcpSocket* m_socket;
    EdgeListener& m_edge;
    const EdgeLimits m_limits;
    const QHostAddress m_peer;
    RequestFraming m_framing;
    qsizetype m_unconsumed = 0; // bytes peeked already that the parser has not taken yet
    bool m_handedOver = false;
    bool m_fresh = true;      // no request complete yet: the head's time counts from the connection
    bool m_answering = false; // a complete request whose answer is not all written
    bool m_refused = false;   // answered by the edge, draining a little until the linger ends
    qint64 m_drainLeft = 0;
    qint64 m_deadline = 0;
    Refusal m_onExpiry = Refusal::HeadTimeout;
    QPointer<QIODevice> m_stream;
};

} // namespace server
