#include "edge/ConnectionGuard.h"

#include "edge/EdgeListener.h"
#include "edge/PacedFile.h"
#include "http/ClientAddress.h"

#include <QTcpSocket>

namespace server {

ConnectionGuard::ConnectionGuard(QTcpSocket* socket, EdgeListener& edge, const EdgeLimits& limits,
                                 BodyLimit bodyLimit, qint64 now)
    : QObject(socket), m_socket(socket), m_edge(edge), m_limits(limits),
      m_peer(plainAddress(socket->peerAddress())), m_framing(limits, std::move(bodyLimit)) {
    m_deadline = now + limits.head.count();
    // Connected before the HTTP layer gets the socket, so this runs before its reading slot.
    connect(socket, &QIODevice::readyRead, this, &ConnectionGuard::beforeParser);
    connect(socket, &QIODevice::bytesWritten, this, &ConnectionGuard::written);
    connect(socket, &QAbstractSocket::disconnected, this, [this] {
        if (!m_handedOver)
            m_socket->deleteLater();
    });
    m_edge.enter(this);
}

ConnectionGuard::~ConnectionGuard() {
    m_edge.leave(this);
}

void ConnectionGuard::handedOver() {
    m_handedOver = true;
    // Connected after the HTTP layer's own slot, so this runs once the parser has taken what it takes.
    connect(m_socket, &QIODevice::readyRead, this, &ConnectionGuard::afterParser);
}

void ConnectionGuard::beforeParser() {
    m_edge.setAnswering(this);
    if (m_refused)
        return drain();
    m_edge.arriving(m_socket);
    const qint64 available = m_socket->bytesAvailable();
    if (available > m_unconsumed)
        frame(m_socket->peek(available));
}

void ConnectionGuard::afterParser() {
    m_edge.setAnswering(nullptr);
    m_unconsumed = m_socket->bytesAvailable();
}

void ConnectionGuard::frame(const QByteArray& bytes) {
    const auto before = m_framing.phase();
    const auto step = m_framing.feed(QByteArrayView(bytes).sliced(m_unconsumed));
    m_unconsumed = bytes.size();
    if (step.refusal)
        return refuse(*step.refusal);
    if (step.completed > 0) {
        m_fresh = false;
        m_answering = true;
        setDeadline(m_limits.stall, Refusal::StalledReader);
    } else if (!m_answering && before != m_framing.phase()) {
        waitForNextStep();
    }
}

// What the connection waits for now that no answer is being written.
void ConnectionGuard::waitForNextStep() {
    switch (m_framing.phase()) {
    case RequestFraming::Phase::Between:
        setDeadline(m_limits.idle, Refusal::Idle);
        break;
    case RequestFraming::Phase::Head:
        if (!m_fresh)
            setDeadline(m_limits.head, Refusal::HeadTimeout);
        break;
    case RequestFraming::Phase::Body:
        setDeadline(m_limits.body, Refusal::BodyTimeout);
        break;
    }
}

void ConnectionGuard::written() {
    if (!m_answering || m_refused)
        return;
    setDeadline(m_limits.stall, Refusal::StalledReader);
    // Queued: a writer that sends its answer in pieces writes the next one from this same signal.
    if (m_socket->bytesToWrite() == 0)
        QMetaObject::invokeMethod(this, &ConnectionGuard::checkAnswered, Qt::QueuedConnection);
}

void ConnectionGuard::checkAnswered() {
    if (!m_answering || m_stream || m_socket->bytesToWrite() > 0)
        return;
    m_answering = false;
    if (m_framing.closeAfterAnswer())
        return m_socket->disconnectFromHost();
    waitForNextStep();
}

QIODevice* ConnectionGuard::pace(std::unique_ptr<QFile> file) {
    auto* paced = new PacedFile(std::move(file), m_socket);
    m_stream = paced;
    connect(paced, &QObject::destroyed, this, [this] {
        QMetaObject::invokeMethod(this, &ConnectionGuard::checkAnswered, Qt::QueuedConnection);
    });
    return paced;
}

void ConnectionGuard::refuse(Refusal refusal) {
    m_edge.count(refusal);
    m_refused = true;
    discardInput();
    const QByteArray answer = refusalAnswer(refusal);
    if (answer.isEmpty())
        return m_socket->abort();
    m_socket->write(answer);
    // A client still sending a modest body reads the answer only if the connection is not reset under it,
    // so a little more is read and dropped, a piece at a time, before the connection is cut.
    m_socket->setReadBufferSize(kDrainPiece);
    m_drainLeft = kDrainAllowance;
    m_deadline = m_edge.now() + m_limits.linger.count();
}

void ConnectionGuard::drain() {
    m_drainLeft -= m_socket->bytesAvailable();
    discardInput();
    if (m_drainLeft < 0)
        m_socket->abort();
}

// Takes what arrived away from the parser too, committing its transaction so nothing stays buffered.
void ConnectionGuard::discardInput() {
    if (m_socket->isTransactionStarted())
        m_socket->commitTransaction();
    m_socket->skip(m_socket->bytesAvailable());
    m_unconsumed = 0;
}

void ConnectionGuard::setDeadline(std::chrono::milliseconds within, Refusal onExpiry) {
    m_deadline = m_edge.now() + within.count();
    m_onExpiry = onExpiry;
}

void ConnectionGuard::expireIf(qint64 now) {
    if (now < m_deadline)
        return;
    if (m_refused)
        return m_socket->abort();
    m_refused = true;
    m_edge.count(m_onExpiry);
    if (m_onExpiry == Refusal::Idle)
        m_socket->disconnectFromHost();
    else
        m_socket->abort();
}

} // namespace server
