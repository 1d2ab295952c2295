#pragma once

#include <QByteArray>
#include <QString>
#include <QUrl>

namespace testsupport {

struct HttpResult {
    int status = 0; // 0 when no HTTP answer came at all
    QByteArray body;
    QByteArray contentType;
    QString error;
};

// One request to a loopback server, waiting (with the event loop running) for the whole answer.
// Certificate errors are ignored: test servers use throwaway self-signed certificates.
HttpResult httpRequest(const QByteArray& verb, const QUrl& url, const QByteArray& body = {},
                       const QByteArray& contentType = {});

HttpResult postForm(const QUrl& url, const QByteArray& body);

} // namespace testsupport
