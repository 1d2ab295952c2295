#pragma once

#include "auth/EnrolmentPolicy.h"
#include "http/ClientAddress.h"

#include <QHostAddress>
#include <QString>

namespace server {

// How one server instance runs; the command line fills it, tests set it directly.
struct ServerOptions {
    QHostAddress address = QHostAddress(QHostAddress::LocalHost);
    quint16 port = 8080; // 0 picks a free port
    // A SQLite file, or postgresql://user@host:port/dbname for a database several instances share.
    QString databaseFile = QStringLiteral("kova-server.sqlite");
    QString updatesFolder;      // empty: no update is published
    QString tlsCertificateFile; // both TLS files given: HTTPS, neither: plain HTTP
    QString tlsKeyFile;
    EnrolmentPolicy enrolment = EnrolmentPolicy::Approve;
    int newNamesPerMinute = 30;    // per client address
    int keepDays = 90;             // history older than this is pruned
    TrustedProxies trustedProxies; // peers whose X-Forwarded-For names the client
};

} // namespace server
