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
};

// One request to a loopback server, waiting (with the event loop running) for the whole answer.
inline HttpResult httpRequest(const QByteArray& verb, const QUrl& url, const QByteArray& body = {},
                              const QByteArray& contentType = {}) {
    QNetworkAccessManager manager;
    QNetworkRequest request(url);
    request.setTransferTimeout(15000);
    if (!contentType.isEmpty())
        request.setHeader(QNetworkRequest::ContentTypeHeader, contentType);
    std::unique_ptr<QNetworkReply> reply(manager.sendCustomRequest(request, verb, body));
    QEventLoop loop;
    QObject::connect(reply.get(), &QNetworkReply::finished, &loop, &QEventLoop::quit);
    loop.exec();
    return {reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(), reply->readAll(),
            reply->header(QNetworkRequest::ContentTypeHeader).toByteArray()};
}

inline HttpResult postForm(const QUrl& url, const QByteArray& body) {
    return httpRequest("POST", url, body, "application/x-www-form-urlencoded");
}

} // namespace testsupport
