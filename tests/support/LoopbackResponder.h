#pragma once

#include <QByteArray>
#include <QList>
#include <QSslCertificate>
#include <QSslKey>
#include <QTcpServer>
#include <QUrl>

#include <chrono>

class QTcpSocket;

// What the responder does with one request once it has arrived whole.
struct Answer {
    enum class Kind { Raw, Silent, Trickle, Stream };
    Kind kind = Kind::Silent;
    QByteArray raw;         // Raw: written as it stands, then the connection is closed
    qint64 streamBytes = 0; // Stream: a 200 answer with this many body bytes, sent as the peer reads
    // Trickle: a 200 answer announcing 1 GB, then one byte per interval. Raw: the wait before it is written.
    std::chrono::milliseconds interval{};

    static Answer http(int status, const QByteArray& body); // complete answer with Content-Length
    static Answer late(std::chrono::milliseconds delay, int status, const QByteArray& body);
    static Answer rawBytes(const QByteArray& bytes);
    static Answer silent(); // accepts and reads the request, never answers
    static Answer trickle(std::chrono::milliseconds interval);
    static Answer stream(qint64 bytes);
};

struct ReceivedRequest {
    QByteArray method;
    QByteArray target;
    QList<QByteArray> headerLines; // as received, without the line break
    QByteArray body;
};

// A scripted HTTP/1.1 server on 127.0.0.1 for tests that need a real peer: plain, or TLS once useTls is
// called.
class LoopbackResponder : public QTcpServer {
    Q_OBJECT
public:
    explicit LoopbackResponder(QObject* parent = nullptr); // listens on a free port

    // The n-th request gets script[n]; the last entry answers every request after it.
    void serve(const QList<Answer>& script);
    void serve(const Answer& answer) { serve(QList<Answer>{answer}); }
    void useTls(const QSslCertificate& certificate, const QSslKey& key);

    QUrl url(const QString& path = QStringLiteral("/")) const;
    QList<ReceivedRequest> requests() const { return requests_; }
    qint64 bytesSent() const { return bytesSent_; } // handed to the sockets, all connections together

signals:
    void requestReceived();

protected:
    void incomingConnection(qintptr handle) override;

private:
    QTcpSocket* acceptSocket(qintptr handle);
    void onReadable(QTcpSocket* socket, QByteArray& pending);
    const Answer& nextAnswer() const;
    void answer(QTcpSocket* socket, const Answer& answer);
    void send(QTcpSocket* socket, const QByteArray& bytes);
    void sendAndClose(QTcpSocket* socket, const QByteArray& bytes);
    void trickle(QTcpSocket* socket, std::chrono::milliseconds interval);
    void stream(QTcpSocket* socket, qint64 bytes);

    QList<Answer> script_{Answer::silent()};
    QList<ReceivedRequest> requests_;
    qint64 bytesSent_ = 0;
    QSslCertificate certificate_;
    QSslKey key_;
};
