#include "BlockingHttp.h"

#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>

namespace testsupport {

HttpResult httpRequest(const QByteArray& verb, const QUrl& url, const QByteArray& body,
                       const QByteArray& contentType) {
    QNetworkAccessManager manager;
    QNetworkRequest request(url);
    request.setTransferTimeout(15000);
    if (!contentType.isEmpty())
        request.setHeader(QNetworkRequest::ContentTypeHeader, contentType);
    QNetworkReply* reply = manager.sendCustomRequest(request, verb, body);
    QObject::connect(reply, &QNetworkReply::sslErrors, reply, [reply] { reply->ignoreSslErrors(); });
    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    loop.exec();

    HttpResult result;
    result.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    result.body = reply->readAll();
    result.contentType = reply->header(QNetworkRequest::ContentTypeHeader).toByteArray();
    result.error = reply->errorString();
    delete reply;
    return result;
}

HttpResult postForm(const QUrl& url, const QByteArray& body) {
    return httpRequest("POST", url, body, "application/x-www-form-urlencoded");
}

} // namespace testsupport
