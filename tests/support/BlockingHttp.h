#pragma once

#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>

#include <memory>

namespace testsupport {

struct HttpResult {
    int status = 0; // 0 when no HTTP answer came at all
    QByteArray body;
    QByteArray contentType;
    QList<QNetworkReply::RawHeaderPair> headers;

    QByteArray header(const QByteArray& name) const {
        for (const auto& [key, value] : headers) {
            if (key.compare(name, Qt::CaseInsensitive) == 0)
                return value;
        }
        return {};
    }
};

using HeaderList = QList<std::pair<QByteArray, QByteArray>>;

// One request to a loopback server through `manager` (its cookies, its redirect policy), waiting with the
// event loop running for the whole answer: the one way tests wait for an HTTP reply.
inline HttpResult httpRequest(QNetworkAccessManager& manager, const QByteArray& verb, const QUrl& url,
                              const QByteArray& body = {}, const QByteArray& contentType = {},
                              const HeaderList& headers = {}) {
    QNetworkRequest request(url);
    request.setTransferTimeout(30000);
    if (!contentType.isEmpty())
        request.setHeader(QNetworkRequest::ContentTypeHeader, contentType);
    for (const auto& [name, value] : headers)
        request.setRawHeader(name, value);
    std::unique_ptr<QNetworkReply> reply(manager.sendCustomRequest(request, verb, body));
    QEventLoop loop;
    QObject::connect(reply.get(), &QNetworkReply::finished, &loop, &QEventLoop::quit);
    loop.exec();
    return {reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(), reply->readAll(),
            reply->header(QNetworkRequest::ContentTypeHeader).toByteArray(), reply->rawHeaderPairs()};
}

// The same through a manager of its own: no cookies kept.
inline HttpResult httpRequest(const QByteArray& verb, const QUrl& url, const QByteArray& body = {},
                              const QByteArray& contentType = {}, const HeaderList& headers = {}) {
    QNetworkAccessManager manager;
    return httpRequest(manager, verb, url, body, contentType, headers);
}

inline HttpResult postForm(const QUrl& url, const QByteArray& body, const HeaderList& headers = {}) {
    return httpRequest("POST", url, body, "application/x-www-form-urlencoded", headers);
}

// The header line that carries an agent key.
inline HeaderList bearer(const QByteArray& key) {
    return {{"Authorization", "Bearer " + key}};
}

} // namespace testsupport
