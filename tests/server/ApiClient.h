#pragma once

#include <QEventLoop>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkCookieJar>
#include <QNetworkReply>

#include <memory>

// A browser-like client of the console API: keeps the session cookie it is given and sends the CSRF
// token or an API token when it has one.
class ApiClient {
public:
    struct Reply {
        int status = 0;
        QJsonObject json;
        QByteArray body;
        QHash<QByteArray, QByteArray> headers; // lower-case names
        QString error() const { return json.value(QStringLiteral("error")).toString(); }
    };

    explicit ApiClient(QUrl base) : m_base(std::move(base)) {}

    Reply get(const QString& path) { return send("GET", path); }
    Reply put(const QString& path, const QJsonObject& body) { return send("PUT", path, json(body)); }
    Reply post(const QString& path, const QJsonObject& body = {}) { return send("POST", path, json(body)); }
    Reply del(const QString& path) { return send("DELETE", path); }

    // Logs in and keeps the CSRF token; the status of the login.
    int login(const QString& name, const QString& password) {
        const Reply reply = post(QStringLiteral("/api/v1/session"),
                                 {{QStringLiteral("name"), name}, {QStringLiteral("password"), password}});
        csrfToken = reply.json.value(QStringLiteral("csrfToken")).toString().toUtf8();
        return reply.status;
    }

    Reply send(const QByteArray& verb, const QString& path, const QByteArray& body = {},
               const QByteArray& contentType = "application/json") {
        QNetworkRequest request(m_base.resolved(QUrl(path, QUrl::StrictMode)));
        request.setTransferTimeout(30000);
        request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
        if (!body.isEmpty())
            request.setHeader(QNetworkRequest::ContentTypeHeader, contentType);
        if (!csrfToken.isEmpty())
            request.setRawHeader("X-CSRF-Token", csrfToken);
        if (!bearer.isEmpty())
            request.setRawHeader("Authorization", "Bearer " + bearer);
        std::unique_ptr<QNetworkReply> reply(m_manager.sendCustomRequest(request, verb, body));
        QEventLoop loop;
        QObject::connect(reply.get(), &QNetworkReply::finished, &loop, &QEventLoop::quit);
        loop.exec();
        Reply result;
        result.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        result.body = reply->readAll();
        result.json = QJsonDocument::fromJson(result.body).object();
        for (const auto& [name, value] : reply->rawHeaderPairs())
            result.headers.insert(name.toLower(), value);
        return result;
    }

    QNetworkCookieJar* cookies() { return m_manager.cookieJar(); }

    QByteArray csrfToken;
    QByteArray bearer;

private:
    static QByteArray json(const QJsonObject& body) {
        return QJsonDocument(body).toJson(QJsonDocument::Compact);
    }

    QUrl m_base;
    QNetworkAccessManager m_manager;
};
