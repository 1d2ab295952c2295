#pragma once

#include <QByteArray>
#include <QList>
#include <QTcpServer>
#include <QTcpSocket>
#include <QUrl>

#include <chrono>
#include <functional>

// What the responder does with one request once it has arrived whole.
struct Answer {
    std::function<void(QTcpSocket*)> act; // none: the request is read and never answered

    static Answer silent() { return {}; }
    // Written as it stands after `delay`, then the connection is closed.
    static Answer raw(const QByteArray& bytes, std::chrono::milliseconds delay = {});
    static Answer http(int status, const QByteArray& body, std::chrono::milliseconds delay = {});
    static Answer trickle(std::chrono::milliseconds interval); // a 200 announcing 1 GB, one byte per interval
    // A 200 with this many body bytes, written as the peer reads them; unannounced: no Content-Length, the
    // close ends the body.
    static Answer stream(qint64 bytes, bool announced = true);
    static Answer reset(const QByteArray& bytes); // written, then the connection is reset (not closed)
};

// The head of an HTTP/1.1 answer announcing `contentLength` body bytes and the end of the connection.
QByteArray statusLine(int status, qint64 contentLength, const QByteArray& extraFields = {});

struct ReceivedRequest {
    QByteArray body;
    QByteArray head; // request line and header lines

    // A header's value by its name in any letter case; empty when absent.
    QByteArray header(const QByteArray& name) const {
        for (const QByteArray& line : head.split('\n')) {
            const qsizetype colon = line.indexOf(':');
            if (colon > 0 && line.left(colon).trimmed().compare(name, Qt::CaseInsensitive) == 0)
                return line.mid(colon + 1).trimmed();
        }
        return {};
    }
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
    qint64 bytesSent() const { return bytesSent_; } // all connections together

signals:
    void requestReceived();

protected:
    void incomingConnection(qintptr handle) override;

private:
    void onReadable(QTcpSocket* socket, QByteArray& pending);

    QList<Answer> script_{Answer::silent()};
    QList<ReceivedRequest> requests_;
    qint64 bytesSent_ = 0;
};
