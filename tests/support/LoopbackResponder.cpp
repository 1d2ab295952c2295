#include "LoopbackResponder.h"

#include <QTimer>

#ifdef Q_OS_WIN
#include <winsock2.h>
#else
#include <sys/socket.h>
#endif

#include <memory>
#include <optional>

namespace {

// Kept small so that a long stream costs the test process no more memory than the client under test.
constexpr qint64 kStreamWindow = 64 * 1024;

// The body of the request at the front of `pending` once it is complete; takes the request out of `pending`.
std::optional<ReceivedRequest> takeRequest(QByteArray& pending) {
    static const QByteArray kLengthField = "\ncontent-length:";
    const qsizetype bodyStart = pending.indexOf("\r\n\r\n") + 4;
    const qsizetype field = pending.left(bodyStart).toLower().indexOf(kLengthField);
    const qint64 bodyLength =
        field < 0 ? 0 : pending.mid(field + kLengthField.size()).split('\r')[0].trimmed().toLongLong();
    if (bodyStart < 4 || pending.size() < bodyStart + bodyLength)
        return std::nullopt;
    ReceivedRequest request{pending.mid(bodyStart, bodyLength), pending.left(bodyStart - 4)};
    pending.remove(0, bodyStart + bodyLength);
    return request;
}

} // namespace

QByteArray statusLine(int status, qint64 contentLength, const QByteArray& extraFields) {
    return "HTTP/1.1 " + QByteArray::number(status) +
           " Status\r\nContent-Length: " + QByteArray::number(contentLength) + "\r\n" + extraFields +
           "Connection: close\r\n\r\n";
}

Answer Answer::raw(const QByteArray& bytes, std::chrono::milliseconds delay) {
    return {[=](QTcpSocket* socket) {
        QTimer::singleShot(delay, socket, [=] {
            socket->write(bytes);
            socket->disconnectFromHost();
        });
    }};
}

Answer Answer::http(int status, const QByteArray& body, std::chrono::milliseconds delay) {
    return raw(statusLine(status, body.size()) + body, delay);
}

Answer Answer::trickle(std::chrono::milliseconds interval) {
    return {[=](QTcpSocket* socket) {
        socket->write(statusLine(200, qint64(1) << 30));
        auto* timer = new QTimer(socket);
        QObject::connect(timer, &QTimer::timeout, socket, [socket] { socket->write("x"); });
        timer->start(interval);
    }};
}

Answer Answer::stream(qint64 bytes, bool announced) {
    return {[=](QTcpSocket* socket) {
        socket->write(announced ? statusLine(200, bytes) : "HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n");
        auto refill = [socket, remaining = std::make_shared<qint64>(bytes)] {
            static const QByteArray chunk(kStreamWindow, 'x');
            for (; *remaining > 0 && socket->bytesToWrite() < kStreamWindow; *remaining -= chunk.size())
                socket->write(chunk.left(*remaining));
            if (*remaining <= 0)
                socket->disconnectFromHost();
        };
        QObject::connect(socket, &QTcpSocket::bytesWritten, socket, refill);
        refill();
    }};
}

Answer Answer::reset(const QByteArray& bytes) {
    return {[=](QTcpSocket* socket) {
        socket->write(bytes);
        socket->flush();
        // A zero linger time makes the close a reset, as a dropped connection looks to the peer.
        // Qt's sockets offer no linger option, hence the system's call.
        const linger now{1, 0};
        ::setsockopt(socket->socketDescriptor(), SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&now),
                     sizeof now);
        socket->abort();
    }};
}

LoopbackResponder::LoopbackResponder(QObject* parent) : QTcpServer(parent) {
    listen(QHostAddress::LocalHost);
}

QUrl LoopbackResponder::url(const QString& path) const {
    return QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(serverPort()).arg(path));
}

void LoopbackResponder::incomingConnection(qintptr handle) {
    auto* socket = new QTcpSocket(this);
    socket->setSocketDescriptor(handle);
    auto pending = std::make_shared<QByteArray>();
    connect(socket, &QTcpSocket::readyRead, socket,
            [this, socket, pending] { onReadable(socket, *pending); });
    connect(socket, &QTcpSocket::bytesWritten, this, [this](qint64 bytes) { bytesSent_ += bytes; });
    connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
}

void LoopbackResponder::onReadable(QTcpSocket* socket, QByteArray& pending) {
    pending += socket->readAll();
    while (const std::optional<ReceivedRequest> request = takeRequest(pending)) {
        const Answer reply = script_.at(std::min<qsizetype>(requests_.size(), script_.size() - 1));
        requests_.append(*request);
        if (reply.act)
            reply.act(socket);
        emit requestReceived();
    }
}
