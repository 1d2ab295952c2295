#include "edge/EdgeListener.h"

#include "edge/ConnectionGuard.h"

#include <algorithm>
#include <QSslSocket>

namespace server {
namespace {

// Deadlines are checked this often: a quarter of the shortest, within [20 ms, 1 s].
std::chrono::milliseconds sweepInterval(const EdgeLimits& limits) {
    const auto shortest = std::min({limits.head, limits.idle, limits.body, limits.stall, limits.linger});
    return std::clamp(shortest / 4, std::chrono::milliseconds(20), std::chrono::milliseconds(1000));
}

// An accept that failed for want of file descriptors pauses the listening socket; it is tried again soon,
// by which time guards will have closed connections that overstayed.
constexpr std::chrono::milliseconds kAcceptRetry{200};

} // namespace

EdgeListener::EdgeListener(const EdgeLimits& limits, BodyLimit bodyLimit, TrustedProxies trustedProxies)
    : m_limits(limits), m_bodyLimit(std::move(bodyLimit)), m_trustedProxies(std::move(trustedProxies)) {
    m_clock.start();
    connect(&m_sweep, &QTimer::timeout, this, &EdgeListener::sweep);
    m_sweep.start(sweepInterval(limits));
    connect(this, &QTcpServer::acceptError, this,
            [this] { QTimer::singleShot(kAcceptRetry, this, [this] { resumeAccepting(); }); });
}

// The sockets (children) go first, while the guards can still leave this listener.
EdgeListener::~EdgeListener() {
    qDeleteAll(findChildren<QTcpSocket*>(Qt::FindDirectChildrenOnly));
}

void EdgeListener::watch(std::function<void(Refusal)> refused, std::function<void(int)> openConnections) {
    m_refused = std::move(refused);
    m_openConnections = std::move(openConnections);
}

void EdgeListener::count(Refusal refusal) {
    if (m_refused)
        m_refused(refusal);
}

std::optional<Refusal> EdgeListener::admit(const QHostAddress& peer) const {
    if (m_guards.size() >= m_limits.total)
        return Refusal::ConnectionLimit;
    if (m_perAddress.value(peer) >= m_limits.perAddress && !isTrusted(peer, m_trustedProxies))
        return Refusal::AddressLimit;
    return std::nullopt;
}

void EdgeListener::incomingConnection(qintptr descriptor) {
    QTcpSocket* socket = m_tls ? new QSslSocket(this) : new QTcpSocket(this);
    if (!socket->setSocketDescriptor(descriptor)) {
        delete socket;
        return;
    }
    if (const auto refusal = admit(plainAddress(socket->peerAddress()))) {
        count(*refusal);
        socket->abort();
        delete socket;
        return;
    }
    auto* guard = new ConnectionGuard(socket, *this, m_limits, m_bodyLimit, now());
    auto* tls = qobject_cast<QSslSocket*>(socket);
    if (!tls)
        return handOver(socket, guard);
    tls->setSslConfiguration(*m_tls);
    connect(tls, &QSslSocket::encrypted, this, [this, tls, guard] { handOver(tls, guard); });
    connect(tls, &QSslSocket::errorOccurred, tls, &QAbstractSocket::abort);
    tls->startServerEncryption();
}

// The HTTP layer connects its slots while the socket is added, so the guard's second slot comes after.
void EdgeListener::handOver(QTcpSocket* socket, ConnectionGuard* guard) {
    addPendingConnection(socket);
    guard->handedOver();
}

void EdgeListener::enter(ConnectionGuard* guard) {
    m_guards.insert(guard);
    ++m_perAddress[guard->peer()];
    if (m_openConnections)
        m_openConnections(int(m_guards.size()));
}

void EdgeListener::leave(ConnectionGuard* guard) {
    m_guards.remove(guard);
    if (--m_perAddress[guard->peer()] <= 0)
        m_perAddress.remove(guard->peer());
    if (m_answering == guard)
        m_answering = nullptr;
    if (m_openConnections)
        m_openConnections(int(m_guards.size()));
}

void EdgeListener::sweep() {
    const qint64 moment = now();
    const QList<ConnectionGuard*> guards = m_guards.values();
    for (ConnectionGuard* guard : guards)
        guard->expireIf(moment);
}

} // namespace server
