#pragma once

#include "alerting/AlertingOptions.h"
#include "auth/EnrolmentPolicy.h"
#include "domain/Role.h"
#include "edge/EdgeLimits.h"
#include "http/ClientAddress.h"
#include "store/ServerStore.h"

#include <optional>
#include <QHostAddress>
#include <QString>

namespace server {

// An account to add instead of running the server: an operator (password from standard input) or an API
// token (printed once).
struct AccountAction {
    enum class Kind { AddOperator, AddToken } kind = Kind::AddOperator;
    QString name;
    Role role = Role::Viewer;
};

// How one server instance runs; the command line fills it, tests set it directly.
struct ServerOptions {
    QHostAddress address = QHostAddress(QHostAddress::LocalHost);
    quint16 port = 8080; // 0 picks a free port
    // A SQLite file, or postgresql://user@host:port/dbname for a database several instances share.
    QString databaseFile = QStringLiteral("kova-server.sqlite");
    bool newDatabase = false;   // may set up a database where there is none, or an empty one
    QString updatesFolder;      // empty: no update is published
    QString tlsCertificateFile; // both TLS files given: HTTPS, neither: plain HTTP
    QString tlsKeyFile;
    EnrolmentPolicy enrolment = EnrolmentPolicy::Approve;
    int newNamesPerMinute = 30;     // per client address
    int keepDays = 90;              // history older than this is pruned
    int reportIntervalSeconds = 10; // a computer's reports are stored at most once in this time
    TrustedProxies trustedProxies;  // peers whose X-Forwarded-For names the client
    EdgeLimits edge;                // bounds on connections and requests before any route sees them
    std::optional<AccountAction> account;
    AlertingOptions alerting;

    NewDatabase creation() const { return newDatabase ? NewDatabase::Allowed : NewDatabase::Refused; }
};

} // namespace server
