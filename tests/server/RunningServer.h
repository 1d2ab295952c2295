#pragma once

#include "Endpoints.h"
#include "server/ServerTime.h"
#include "shell/CentralServer.h"
#include "support/BlockingHttp.h"
#include "support/TestDatabase.h"
#include "WireFormat.h"

#include <QTemporaryDir>
#include <QtTest>

// A central server on a free loopback port with a fresh database (see testdb) and a clock the test sets.
// New names enrol on first contact unless a test sets another policy.
struct RunningServer {
    RunningServer() {
        options.port = 0;
        options.enrolment = server::EnrolmentPolicy::Open;
        options.databaseFile = testdb::fresh(dir, QStringLiteral("server.sqlite"));
        options.updatesFolder = dir.path();
    }

    QString start() { // the reason it could not start, or empty
        return central.start(options).reason();
    }

    QUrl url(const QString& path) const { return central.url().resolved(QUrl(path)); }
    QUrl endpoint() const { return url(wire::kExchangePath); }

    // The settings request of an agent, with its key when it has one.
    testsupport::HttpResult askSettings(const QString& computer, const QByteArray& key = {}) const {
        return testsupport::postForm(endpoint(), wire::settingsRequestBody(computer).toUtf8(),
                                     key.isEmpty() ? testsupport::HeaderList{} : testsupport::bearer(key));
    }
    // Enrols the computer as its agent would at first contact and returns the key it was given.
    QByteArray enrol(const QString& computer) const {
        return askSettings(computer).header(wire::kAgentKeyHeader);
    }

    // Reads the database behind the server's back: the first column of the first row, or `none`.
    QVariant value(const QString& sql, const QVariant& none = {}) const {
        return testdb::value(options.databaseFile, sql, none);
    }
    int count(const QString& sql) const { return value(sql, -1).toInt(); }

    QTemporaryDir dir;
    QDateTime now{QDate(2026, 12, 5), QTime(15, 0, 0)};
    server::ServerOptions options;
    ServerTime clock{[this] { return now; }};
    server::CentralServer central;
};
