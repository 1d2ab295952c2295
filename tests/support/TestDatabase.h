#pragma once

#include <atomic>
#include <QCoreApplication>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QUrl>

// Where a test's server keeps its data. By default a SQLite file in the test's folder; with
// KOVA_TEST_POSTGRES=postgresql://USER@HOST:PORT (the stack test sets it) a fresh PostgreSQL database on
// that server, so the same tests prove both back ends.
namespace testdb {

inline QString postgresBase() {
    return qEnvironmentVariable("KOVA_TEST_POSTGRES");
}

inline bool onPostgres() {
    return !postgresBase().isEmpty();
}

// Opens a reader connection to `location` under `connection`; the caller removes it.
inline QSqlDatabase connect(const QString& location, const QString& connection) {
    if (!location.startsWith(QLatin1String("postgresql://"))) {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
        db.setDatabaseName(location);
        return db;
    }
    const QUrl url(location);
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), connection);
    db.setHostName(url.host());
    db.setPort(url.port(5432));
    db.setUserName(url.userName());
    db.setDatabaseName(url.path().mid(1));
    return db;
}

// The first column of the first row `sql` gives at `location`, or `none`.
inline QVariant value(const QString& location, const QString& sql, const QVariant& none = {}) {
    QVariant result = none;
    {
        QSqlDatabase db = connect(location, QStringLiteral("reader"));
        QSqlQuery query(db);
        if (db.open() && query.exec(sql) && query.next())
            result = query.value(0);
        else
            qWarning().noquote() << "test query failed:" << sql << query.lastError().text()
                                 << db.lastError().text();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("reader"));
    return result;
}

// Runs a statement that answers no rows (an operator's change made straight in the database).
inline bool execute(const QString& location, const QString& sql) {
    bool done = false;
    {
        QSqlDatabase db = connect(location, QStringLiteral("writer"));
        QSqlQuery query(db);
        done = db.open() && query.exec(sql);
        if (!done)
            qWarning().noquote() << "test statement failed:" << sql << query.lastError().text()
                                 << db.lastError().text();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("writer"));
    return done;
}

// A new, empty database: `file` in `dir`, or a PostgreSQL database of its own.
inline QString fresh(const QTemporaryDir& dir, const QString& file) {
    if (!onPostgres())
        return dir.filePath(file);
    static std::atomic_int made{0};
    const QString name = QStringLiteral("test_%1_%2_%3")
                             .arg(QCoreApplication::applicationName().toLower())
                             .arg(QCoreApplication::applicationPid())
                             .arg(++made);
    const QString base = postgresBase().endsWith('/') ? postgresBase() : postgresBase() + '/';
    value(base + QStringLiteral("postgres"), QStringLiteral("CREATE DATABASE %1").arg(name));
    return base + name;
}

} // namespace testdb
