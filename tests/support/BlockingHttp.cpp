#include "BlockingHttp.h"

#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>

#include <memory>

namespace testsupport {

HttpResult httpRequest(const QByteArray& verb, const QUrl& url, const QByteArray& body,
                       const QByteArray& contentType) {
    QNetworkAccessManager manager;
    QNetworkRequest request(url);
    request.setTransferTimeout(15000);
    if (!contentType.isEmpty())
        request.setHeader(QNetworkRequest::ContentTypeHeader, contentType);
    std::unique_ptr<QNetworkReply> reply(manager.sendCustomRequest(request, verb, body));
    // Test servers use throwaway self-signed certificates.
    QObject::connect(reply.get(), &QNetworkReply::sslErrors, reply.get(),
                     [&reply] { reply->ignoreSslErrors(); });
    QEventLoop loop;
    QObject::connect(reply.get(), &QNetworkReply::finished, &loop, &QEventLoop::quit);
    loop.exec();
    return {reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(), reply->readAll(),
            reply->header(QNetworkRequest::ContentTypeHeader).toByteArray()};
}

} // namespace testsupport
