#pragma once

#include <QByteArray>
#include <QUrl>

namespace testsupport {

struct HttpResult {
    int status = 0; // 0 when no HTTP answer came at all
    QByteArray body;
    QByteArray contentType;
};

// One request to a loopback server, waiting (with the event loop running) for the whole answer.
HttpResult httpRequest(const QByteArray& verb, const QUrl& url, const QByteArray& body = {},
                       const QByteArray& contentType = {});

inline HttpResult postForm(const QUrl& url, const QByteArray& body) {
    return httpRequest("POST", url, body, "application/x-www-form-urlencoded");
}

} // namespace testsupport
