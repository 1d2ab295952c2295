#include "LoopbackResponder.h"

#include <QSslSocket>
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

qint64 contentLength(const QList<QByteArray>& headerLines) {
    for (const QByteArray& line : headerLines)
        if (line.toLower().startsWith("content-length:"))
            return line.mid(line.indexOf(':') + 1).trimmed().toLongLong();
    return 0;
}

// The request at the front of `pending` once its head and body are complete; takes it out of `pending`.
std::optional<ReceivedRequest> takeRequest(QByteArray& pending) {
    const qsizetype headEnd = pending.indexOf("\r\n\r\n");
    if (headEnd < 0)
        return std::nullopt;
    QList<QByteArray> lines = pending.left(headEnd).split('\n');
    for (QByteArray& line : lines)
        line = line.trimmed();
    const qint64 bodyLength = contentLength(lines);
    if (pending.size() < headEnd + 4 + bodyLength)
        return std::nullopt;
    const QList<QByteArray> requestLine = lines.takeFirst().split(' ');
    ReceivedRequest request{requestLine.value(0), requestLine.value(1), lines,
                            pending.mid(headEnd + 4, bodyLength)};
    pending.remove(0, headEnd + 4 + bodyLength);
    return request;
}

} // namespace

Answer Answer::http(int status, const QByteArray& body) {
    return rawBytes(statusLine(status, body.size()) + body);
}

Answer Answer::late(std::chrono::milliseconds delay, int status, const QByteArray& body) {
    Answer answer = http(status, body);
    answer.interval = delay;
    return answer;
}

Answer Answer::rawBytes(const QByteArray& bytes) {
    return {Kind::Raw, bytes, 0, {}};
}

Answer Answer::silent() {
    return {};
}

Answer Answer::trickle(std::chrono::milliseconds interval) {
    return {Kind::Trickle, {}, 0, interval};
}

Answer Answer::stream(qint64 bytes) {
    return {Kind::Stream, {}, bytes, {}};
}

LoopbackResponder::LoopbackResponder(QObject* parent) : QTcpServer(parent) {
    listen(QHostAddress::LocalHost);
}

void LoopbackResponder::serve(const QList<Answer>& script) {
    script_ = script;
}

void LoopbackResponder::useTls(const QSslCertificate& certificate, const QSslKey& key) {
    certificate_ = certificate;
    key_ = key;
}

QUrl LoopbackResponder::url(const QString& path) const {
    const QString scheme = certificate_.isNull() ? QStringLiteral("http") : QStringLiteral("https");
    return QUrl(QStringLiteral("%1://127.0.0.1:%2%3").arg(scheme).arg(serverPort()).arg(path));
}

void LoopbackResponder::incomingConnection(qintptr handle) {
    QTcpSocket* socket = acceptSocket(handle);
    auto pending = std::make_shared<QByteArray>();
    connect(socket, &QTcpSocket::readyRead, socket,
            [this, socket, pending] { onReadable(socket, *pending); });
    connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
}

QTcpSocket* LoopbackResponder::acceptSocket(qintptr handle) {
    if (certificate_.isNull()) {
        auto* socket = new QTcpSocket(this);
        socket->setSocketDescriptor(handle);
        return socket;
    }
    auto* socket = new QSslSocket(this);
    socket->setSocketDescriptor(handle);
    socket->setLocalCertificate(certificate_);
    socket->setPrivateKey(key_);
    socket->setPeerVerifyMode(QSslSocket::VerifyNone);
    socket->startServerEncryption();
    return socket;
}

void LoopbackResponder::onReadable(QTcpSocket* socket, QByteArray& pending) {
    pending += socket->readAll();
    while (const std::optional<ReceivedRequest> request = takeRequest(pending)) {
        const Answer& reply = nextAnswer();
        requests_.append(*request);
        answer(socket, reply);
        emit requestReceived();
    }
}

const Answer& LoopbackResponder::nextAnswer() const {
    return script_.at(std::min<qsizetype>(requests_.size(), script_.size() - 1));
}

void LoopbackResponder::answer(QTcpSocket* socket, const Answer& answer) {
    switch (answer.kind) {
    case Answer::Kind::Raw:
        if (answer.interval.count() == 0)
            sendAndClose(socket, answer.raw);
        else
            QTimer::singleShot(answer.interval, socket,
                               [this, socket, bytes = answer.raw] { sendAndClose(socket, bytes); });
        break;
    case Answer::Kind::Silent:
        break;
    case Answer::Kind::Trickle:
        trickle(socket, answer.interval);
        break;
    case Answer::Kind::Stream:
        stream(socket, answer.streamBytes);
        break;
    }
}

void LoopbackResponder::send(QTcpSocket* socket, const QByteArray& bytes) {
    bytesSent_ += socket->write(bytes);
}

void LoopbackResponder::sendAndClose(QTcpSocket* socket, const QByteArray& bytes) {
    send(socket, bytes);
    socket->disconnectFromHost();
}

void LoopbackResponder::trickle(QTcpSocket* socket, std::chrono::milliseconds interval) {
    send(socket, statusLine(200, qint64(1) << 30));
    auto* timer = new QTimer(socket);
    connect(timer, &QTimer::timeout, socket, [this, socket] { send(socket, "x"); });
    timer->start(interval);
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
