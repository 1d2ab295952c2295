#pragma once

#include "shell/CentralServer.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>

// A central server on a free loopback port with a fresh database and a clock the test sets.
struct RunningServer {
    RunningServer() {
        options.port = 0;
        options.databaseFile = dir.filePath(QStringLiteral("server.sqlite"));
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
        QVariant result = none;
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("reader"));
            db.setDatabaseName(options.databaseFile);
            QSqlQuery query(db);
            if (db.open() && query.exec(sql) && query.next())
                result = query.value(0);
        }
        QSqlDatabase::removeDatabase(QStringLiteral("reader"));
        return result;
    }
    int count(const QString& sql) const { return value(sql, -1).toInt(); }

    QTemporaryDir dir;
    QDateTime now{QDate(2026, 12, 5), QTime(15, 0, 0)};
    server::ServerOptions options;
    server::CentralServer central{[this] { return now; }};
};
