#pragma once

#include <QByteArray>
#include <QList>
#include <QTcpServer>
#include <QTcpSocket>
#include <QUrl>

#include <chrono>

// What the responder does with one request once it has arrived whole.
struct Answer {
    enum class Kind { Raw, Silent, Trickle, Stream };
    Kind kind = Kind::Silent;
    QByteArray raw;         // Raw: written after `interval` as it stands, then the connection closes
    qint64 streamBytes = 0; // Stream: a 200 answer with this many body bytes, sent as the peer reads
    std::chrono::milliseconds interval{}; // Trickle: a 200 answer announcing 1 GB, then one byte per interval

    static Answer http(int status, const QByteArray& body, std::chrono::milliseconds delay = {});
    static Answer silent() { return {}; } // reads the request, never answers
    static Answer trickle(std::chrono::milliseconds interval) { return {Kind::Trickle, {}, 0, interval}; }
    static Answer stream(qint64 bytes) { return {Kind::Stream, {}, bytes, {}}; }
};

struct ReceivedRequest {
    QByteArray body;
};

// A scripted HTTP/1.1 server on 127.0.0.1 for tests that need a real peer.
class LoopbackResponder : public QTcpServer {
    Q_OBJECT
public:
    explicit LoopbackResponder(QObject* parent = nullptr); // listens on a free port

    // The n-th request gets script[n]; the last entry answers every request after it.
    void serve(const QList<Answer>& script) { script_ = script; }
    void serve(const Answer& answer) { serve(QList<Answer>{answer}); }

    QUrl url(const QString& path = QStringLiteral("/")) const;
    QList<ReceivedRequest> requests() const { return requests_; }
    qint64 bytesSent() const { return bytesSent_; } // handed to the sockets, all connections together

signals:
    void requestReceived();

protected:
    void incomingConnection(qintptr handle) override;

private:
    void onReadable(QTcpSocket* socket, QByteArray& pending);
    void answer(QTcpSocket* socket, const Answer& answer);
    void send(QTcpSocket* socket, const QByteArray& bytes) { bytesSent_ += socket->write(bytes); }
    void stream(QTcpSocket* socket, qint64 bytes);

    QList<Answer> script_{Answer::silent()};
    QList<ReceivedRequest> requests_;
    qint64 bytesSent_ = 0;
};
