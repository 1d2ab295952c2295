#pragma once

#include "shell/CentralServer.h"
#include "support/TestDatabase.h"

#include <QTemporaryDir>
#include <QtTest>

// A central server on a free loopback port with a fresh database (see testdb) and a clock the test sets.
struct RunningServer {
    RunningServer() {
        options.port = 0;
        options.databaseFile = testdb::fresh(dir, QStringLiteral("server.sqlite"));
        options.updatesFolder = dir.path();
    }

    QString start() { // the reason it could not start, or empty
        QString error;
        return central.start(options, &error) ? QString() : error;
    }

    QUrl url(const QString& path) const { return central.url().resolved(QUrl(path)); }
    QUrl endpoint() const { return url(QStringLiteral("/kova-oru/process_servers.asp")); }

    // Reads the database behind the server's back: the first column of the first row, or `none`.
    QVariant value(const QString& sql, const QVariant& none = {}) const {
        return testdb::value(options.databaseFile, sql, none);
    }
    int count(const QString& sql) const { return value(sql, -1).toInt(); }

    QTemporaryDir dir;
    QDateTime now{QDate(2026, 12, 5), QTime(15, 0, 0)};
    server::ServerOptions options;
    server::CentralServer central{[this] { return now; }};
};
