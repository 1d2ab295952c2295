#pragma once

#include "Result.h"
#include "WireFormat.h"

#include <QByteArray>
#include <QFile>
#include <QNetworkAccessManager>
#include <QObject>
#include <QString>
#include <QTimer>

#include <chrono>
#include <limits>
#include <memory>

class QNetworkReply;
class QNetworkRequest;

namespace platform {

// One HTTP or HTTPS request at a time, with a busy flag, an overall time-out and a bounded read of the reply:
// what the agent's exchanges (settings, status report, time page, update) ask of a transfer. Everything runs
// on the calling thread's event queue; callers wait with waitUntilDone().
//
// Outcome of a request: an HTTP answer of any status is a complete read (its body is the text, httpStatus()
// tells the status). A transfer that breaks off (also short of its Content-Length), times out, is refused,
// fails TLS verification, arrives encoded or would be sent a second time leaves no text and an errorText().
// Redirects are not followed: a 3xx answer is returned as it stands.
// Each request opens a connection of its own; none is reused.
class TransferChannel : public QObject {
    Q_OBJECT
public:
    TransferChannel(std::chrono::milliseconds timeout, qint64 readBound = wire::kReplyReadBound,
                    QObject* parent = nullptr);
    ~TransferChannel() override;

    QString URL; // the address property; callers pass it to Execute
    // Header lines sent with every request of this channel besides Execute's own (the agent's key).
    QList<std::pair<QByteArray, QByteArray>> standingHeaders;

    // Starts a request. `header` is one header line "Name: value" (may be empty). A request still running on
    // this channel is abandoned first, without a finished() for it.
    void Execute(const QString& url, const QString& method = QStringLiteral("GET"),
                 const QByteArray& data = {}, const QString& header = {});
    // Same as a GET, but streams the whole body into `filePath`, whatever the status. The file is created
    // anew: anything already there, a link included, fails the download before it is sent.
    // A body declared or grown larger than `sizeBound` fails before more of it is written.
    void Download(const QString& url, const QString& filePath,
                  qint64 sizeBound = std::numeric_limits<qint64>::max());

    bool StillExecuting() const { return executing_; }
    // Lets window messages (timer ticks, commands, network events) run until the running request has ended;
    // returns at once when none runs. It sleeps on the event queue between events, so a wait costs no
    // processor time.
    void waitUntilDone();
    // The body kept (at most readBound bytes) decoded as UTF-8; a character cut at the bound is left out.
    // Reading does not consume: every call returns the same text until the next request starts.
    QString GetChunk() const;
    QByteArray body() const { return body_; }
    int httpStatus() const { return status_; }
    // A header of the last answer (compared without regard to letter case), or empty.
    QByteArray replyHeader(const QByteArray& name) const;
    QString errorText() const { return error_; }
    qint64 bytesWritten() const { return written_; }
    std::chrono::milliseconds timeout() const;

    // Trusts the PEM certificate(s) in `caFile` for HTTPS, in addition to the system's trust store.
    static Result<> addTrustedCertificates(const QString& caFile);

signals:
    void finished();

private:
    void beginRequest();
    void track(QNetworkReply* reply);
    void abandon();
    void absorb();
    bool keepFailure(const Result<>& check); // takes a failed check's reason; true when it passed
    void keepBounded();
    void writeToFile();
    bool settled() const { return cutAtBound_ || !failure_.isEmpty(); }
    void onDeadline();
    void conclude(quint64 requestId);

    std::chrono::milliseconds timeout_;
    qint64 readBound_;
    QNetworkAccessManager manager_;
    std::unique_ptr<QNetworkReply> reply_;
    std::unique_ptr<QFile> file_; // open while a Download runs
    QTimer deadline_;
    quint64 requestId_ = 0; // tells a stale end-of-reply notice from the current one
    bool executing_ = false;
    bool cutAtBound_ = false;
    QString failure_; // set as soon as the running request is known to have failed
    QByteArray body_;
    int status_ = 0;
    QList<std::pair<QByteArray, QByteArray>> replyHeaders_;
    QString error_;
    qint64 written_ = 0;
    qint64 received_ = 0; // body bytes taken from the reply, kept or not
    qint64 sizeBound_ = std::numeric_limits<qint64>::max();
};

} // namespace platform
