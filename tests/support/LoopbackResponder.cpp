#include "LoopbackResponder.h"

#include <QTimer>

#include <memory>
#include <optional>

namespace {

// Kept small so that a long stream costs the test process no more memory than the client under test.
constexpr qint64 kStreamWindow = 64 * 1024;

QByteArray statusLine(int status, qint64 contentLength) {
    return "HTTP/1.1 " + QByteArray::number(status) +
           " Status\r\nContent-Length: " + QByteArray::number(contentLength) +
           "\r\nConnection: close\r\n\r\n";
}

// The body of the request at the front of `pending` once it is complete; takes the request out of `pending`.
std::optional<ReceivedRequest> takeRequest(QByteArray& pending) {
    const qsizetype headEnd = pending.indexOf("\r\n\r\n");
    if (headEnd < 0)
        return std::nullopt;
    qint64 bodyLength = 0;
    for (const QByteArray& line : pending.left(headEnd).split('\n'))
        if (line.toLower().startsWith("content-length:"))
            bodyLength = line.mid(line.indexOf(':') + 1).trimmed().toLongLong();
    if (pending.size() < headEnd + 4 + bodyLength)
        return std::nullopt;
    ReceivedRequest request{pending.mid(headEnd + 4, bodyLength)};
    pending.remove(0, headEnd + 4 + bodyLength);
    return request;
}

} // namespace

Answer Answer::http(int status, const QByteArray& body, std::chrono::milliseconds delay) {
    return {Kind::Raw, statusLine(status, body.size()) + body, 0, delay};
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
    connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
}

void LoopbackResponder::onReadable(QTcpSocket* socket, QByteArray& pending) {
    pending += socket->readAll();
    while (const std::optional<ReceivedRequest> request = takeRequest(pending)) {
        const Answer reply = script_.at(std::min<qsizetype>(requests_.size(), script_.size() - 1));
        requests_.append(*request);
        answer(socket, reply);
        emit requestReceived();
    }
}

void LoopbackResponder::answer(QTcpSocket* socket, const Answer& answer) {
    switch (answer.kind) {
    case Answer::Kind::Raw:
        QTimer::singleShot(answer.interval, socket, [this, socket, bytes = answer.raw] {
            send(socket, bytes);
            socket->disconnectFromHost();
        });
        break;
    case Answer::Kind::Silent:
        break;
    case Answer::Kind::Trickle: {
        send(socket, statusLine(200, qint64(1) << 30));
        auto* timer = new QTimer(socket);
        connect(timer, &QTimer::timeout, socket, [this, socket] { send(socket, "x"); });
        timer->start(answer.interval);
        break;
    }
    case Answer::Kind::Stream:
        stream(socket, answer.streamBytes);
        break;
    }
}

void LoopbackResponder::stream(QTcpSocket* socket, qint64 bytes) {
    send(socket, statusLine(200, bytes));
    auto remaining = std::make_shared<qint64>(bytes);
    auto refill = [this, socket, remaining] {
        static const QByteArray chunk(kStreamWindow, 'x');
        while (*remaining > 0 && socket->bytesToWrite() < kStreamWindow) {
            const qint64 size = std::min<qint64>(*remaining, chunk.size());
            send(socket, chunk.left(size));
            *remaining -= size;
        }
        if (*remaining == 0)
            socket->disconnectFromHost();
    };
    connect(socket, &QTcpSocket::bytesWritten, socket, refill);
    refill();
}
