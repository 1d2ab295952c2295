#include "platform/TransferChannel.h"

#include "platform/OneShotBody.h"
#include "platform/TransferTimeout.h"
#include "platform/WholeReply.h"

#include <limits>
#include <QEventLoop>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QStringDecoder>

namespace platform {

namespace {

// What Qt may hold for a reply before we take it: the bound of the agent's memory beyond the kept body.
constexpr qint64 kReadBuffer = 64 * 1024;

QNetworkRequest requestFor(const QString& url) {
    QNetworkRequest request{QUrl(url)};
    // The agent posts its report to one fixed address; a redirect elsewhere is an answer, not a new target.
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
    // What is stored is what was sent: no decoding step that could fail half-way or inflate a small reply.
    request.setRawHeader("Accept-Encoding", "identity");
    return request;
}

// Sends through a body that cannot be rewound, so Qt cannot send the request a second time on its own.
QNetworkReply* sendOnce(QNetworkAccessManager& manager, QNetworkRequest request, const QByteArray& verb,
                        const QByteArray& data) {
    request.setAttribute(QNetworkRequest::DoNotBufferUploadDataAttribute, true);
    request.setHeader(QNetworkRequest::ContentLengthHeader, data.size());
    auto* body = new OneShotBody(data);
    QNetworkReply* reply = manager.sendCustomRequest(request, verb, body);
    body->setParent(reply);
    return reply;
}

void addHeaderLine(QNetworkRequest& request, const QString& line) {
    const qsizetype colon = line.indexOf(u':');
    if (colon > 0)
        request.setRawHeader(line.left(colon).trimmed().toLatin1(), line.mid(colon + 1).trimmed().toLatin1());
}

// An HTTP error status (404, 500...) is still a complete answer whose body is the reply text; only a transfer
// that never got an answer or broke off is a failure.
QString failureOf(const QNetworkReply& reply) {
    const QNetworkReply::NetworkError error = reply.error();
    const bool hasStatus = reply.attribute(QNetworkRequest::HttpStatusCodeAttribute).isValid();
    if (error == QNetworkReply::ContentReSendError) {
        // Qt tries to send again when a connection closes, also after an answer began (a close may even be
        // how a body without a length ends); the one-shot body refuses. What came then is judged by its
        // length alone.
        if (hasStatus)
            return {};
        return TransferChannel::tr(
            "The connection closed before an answer came; the request is not sent again");
    }
    const bool answered =
        hasStatus && error >= QNetworkReply::ContentAccessDenied && error != QNetworkReply::ProtocolFailure;
    return error == QNetworkReply::NoError || answered ? QString() : reply.errorString();
}

QString cannotWrite(const QFile& file) {
    return TransferChannel::tr("Cannot write %1: %2").arg(file.fileName(), file.errorString());
}

} // namespace

TransferChannel::TransferChannel(std::chrono::milliseconds timeout, qint64 readBound, QObject* parent)
    : QObject(parent), timeout_(timeout), readBound_(readBound) {
    deadline_.setSingleShot(true);
    connect(&deadline_, &QTimer::timeout, this, &TransferChannel::onDeadline);
}

TransferChannel::~TransferChannel() {
    abandon();
}

void TransferChannel::Execute(const QString& url, const QString& method, const QByteArray& data,
                              const QString& header) {
    beginRequest();
    QNetworkRequest request = requestFor(url);
    addHeaderLine(request, header);
    for (const auto& [name, value] : standingHeaders)
        request.setRawHeader(name, value);
    track(sendOnce(manager_, request, method.toLatin1(), data));
}

void TransferChannel::Download(const QString& url, const QString& filePath, qint64 sizeBound) {
    beginRequest();
    sizeBound_ = sizeBound;
    auto file = std::make_unique<QFile>(filePath);
    // Created anew, exclusively: an update runs as root, and a link planted here must not send its bytes over
    // a file of the link's choosing.
    if (!file->open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
        failure_ = cannotWrite(*file);
        // Ends like any other request: later, from the event queue, so a caller connected after us hears it.
        QMetaObject::invokeMethod(
            this, [this, id = requestId_] { conclude(id); }, Qt::QueuedConnection);
        return;
    }
    file_ = std::move(file);
    track(sendOnce(manager_, requestFor(url), "GET", {}));
}

QByteArray TransferChannel::replyHeader(const QByteArray& name) const {
    for (const auto& [key, value] : replyHeaders_) {
        if (key.compare(name, Qt::CaseInsensitive) == 0)
            return value;
    }
    return {};
}

void TransferChannel::beginRequest() {
    abandon();
    // Every exchange on a connection of its own: a server may close a kept-alive one right after answering,
    // and the next request sent on it would be lost, as the one-shot body forbids sending it again.
    manager_.clearConnectionCache();
    ++requestId_;
    executing_ = true;
    cutAtBound_ = false;
    failure_.clear();
    body_.clear();
    status_ = 0;
    replyHeaders_.clear();
    error_.clear();
    written_ = 0;
    received_ = 0;
    sizeBound_ = std::numeric_limits<qint64>::max();
}

void TransferChannel::track(QNetworkReply* reply) {
    reply_.reset(reply);
    // Said twice: Qt's HTTP thread takes the bound only once its own reply exists, which is after the request
    // has started from the event queue; said only now, it is dropped there and a fast server's whole body
    // piles up in memory (200 MB of it for a 200 MB update).
    reply->setReadBufferSize(kReadBuffer);
    QMetaObject::invokeMethod(
        reply, [reply] { reply->setReadBufferSize(kReadBuffer); }, Qt::QueuedConnection);
    connect(reply, &QNetworkReply::metaDataChanged, this, [this] {
        if (!settled())
            keepFailure(checkHead(*reply_, sizeBound_));
        if (settled())
            reply_->abort();
    });
    connect(reply, &QNetworkReply::readyRead, this, [this] {
        absorb();
        if (settled())
            reply_->abort();
    });
    // Queued, so that the reply has left its own signal before we delete it or a caller deletes us.
    connect(
        reply, &QNetworkReply::finished, this, [this, id = requestId_] { conclude(id); },
        Qt::QueuedConnection);
    // An overall deadline rather than setTransferTimeout: that one restarts with every byte, so a server that
    // trickles would never be cut off.
    deadline_.start(timeout());
}

void TransferChannel::abandon() {
    deadline_.stop();
    if (reply_) {
        reply_->disconnect(this);
        reply_->abort();
        reply_.reset();
    }
    file_.reset();
    executing_ = false;
}

void TransferChannel::absorb() {
    if (file_)
        writeToFile();
    else
        keepBounded();
}

void TransferChannel::keepBounded() {
    const QByteArray data = reply_->read(readBound_ - body_.size());
    received_ += data.size();
    body_ += data;
    if (body_.size() >= readBound_)
        cutAtBound_ = true;
}

void TransferChannel::writeToFile() {
    const QByteArray data = reply_->readAll();
    received_ += data.size();
    if (!keepFailure(checkSize(received_, sizeBound_)))
        return; // nothing beyond the bound is written
    if (file_->write(data) != data.size())
        failure_ = cannotWrite(*file_);
    else
        written_ += data.size();
}

bool TransferChannel::keepFailure(const Result<>& check) {
    if (!check)
        failure_ = check.reason();
    return check.ok();
}

void TransferChannel::onDeadline() {
    failure_ = tr("Time-out: no complete answer within %1 ms").arg(timeout().count());
    reply_->abort();
}

void TransferChannel::conclude(quint64 requestId) {
    if (requestId != requestId_ || !executing_)
        return;
    deadline_.stop();
    if (reply_) {
        status_ = reply_->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        replyHeaders_ = reply_->rawHeaderPairs();
        if (!settled())
            absorb(); // what arrived together with the end of the reply
        if (!settled())
            failure_ = failureOf(*reply_);
        if (!settled() && status_ != 0)
            keepFailure(checkLength(*reply_, received_));
        reply_.reset();
    }
    file_.reset();
    error_ = failure_;
    if (!error_.isEmpty())
        body_.clear();
    executing_ = false;
    emit finished(); // last: a receiver may start the next request or delete this channel
}

void TransferChannel::waitUntilDone() {
    // A local event loop, not processEvents(WaitForMoreEvents) in a loop: outside a running loop Windows'
    // event dispatcher does not deliver the reply's queued end, and the wait would never return.
    QEventLoop loop;
    connect(this, &TransferChannel::finished, &loop, &QEventLoop::quit);
    while (executing_)
        loop.exec();
}

QString TransferChannel::GetChunk() const {
    // Stateful decoding holds back a character whose bytes were cut at the bound instead of turning it into a
    // replacement character; the text before it comes out whole.
    QStringDecoder utf8(QStringDecoder::Utf8);
    return utf8(body_);
}

std::chrono::milliseconds TransferChannel::timeout() const {
    return Seam<TransferTimeout>::get().granted(timeout_);
}

Result<> TransferChannel::addTrustedCertificates(const QString& caFile) {
    const QList<QSslCertificate> added = QSslCertificate::fromPath(caFile, QSsl::Pem);
    if (added.isEmpty())
        return Result<>::failure(tr("No PEM certificate could be read from %1").arg(caFile));
    // Naming any certificate switches off the on-demand lookup in the system store, so the system's
    // certificates are named too.
    QSslConfiguration config = QSslConfiguration::defaultConfiguration();
    QList<QSslCertificate> trusted = config.caCertificates();
    for (const QSslCertificate& certificate : QSslConfiguration::systemCaCertificates() + added)
        if (!trusted.contains(certificate))
            trusted.append(certificate);
    config.setCaCertificates(trusted);
    QSslConfiguration::setDefaultConfiguration(config);
    return Result<>::success();
}

} // namespace platform
