#pragma once

#include "support/BlockingHttp.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkCookieJar>

// A browser-like client of the console API: keeps the session cookie it is given, does not follow
// redirects, and sends the CSRF token or an API token when it has one.
class ApiClient {
public:
    struct Reply : testsupport::HttpResult {
        QJsonObject json;
        QString error() const { return json.value(QStringLiteral("error")).toString(); }
    };

    explicit ApiClient(QUrl base) : m_base(std::move(base)) {
        m_manager.setRedirectPolicy(QNetworkRequest::ManualRedirectPolicy);
    }

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
        testsupport::HeaderList headers;
        if (!csrfToken.isEmpty())
            headers.append({"X-CSRF-Token", csrfToken});
        if (!bearer.isEmpty())
            headers.append(testsupport::bearer(bearer));
        if (!forwardedFor.isEmpty())
            headers.append({"X-Forwarded-For", forwardedFor});
        Reply reply{testsupport::httpRequest(m_manager, verb, m_base.resolved(QUrl(path, QUrl::StrictMode)),
                                             body, body.isEmpty() ? QByteArray() : contentType, headers),
                    {}};
        reply.json = QJsonDocument::fromJson(reply.body).object();
        return reply;
    }

    QNetworkCookieJar* cookies() { return m_manager.cookieJar(); }

    QByteArray csrfToken;
    QByteArray bearer;
    QByteArray forwardedFor; // the client address a trusted proxy in front would name

private:
    static QByteArray json(const QJsonObject& body) {
        return QJsonDocument(body).toJson(QJsonDocument::Compact);
    }

    QUrl m_base;
    QNetworkAccessManager m_manager;
};
