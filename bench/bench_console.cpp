// Times the console API's heavy routes on a large store: the fleet list (trouble-first order over every
// computer, search, a late page), one computer and its history, at 10,000 computers and 1,000,000 reports.
// Each route is asked the same number of times, one request at a time over loopback HTTP, and compared
// with a route answering a constant text, so the figures show the route's own work over the HTTP layer.
//
// Usage: bench_console [COMPUTERS] [REPORTS_PER_COMPUTER] [REQUESTS] [SECONDS_BETWEEN_REPORTS]
//        (defaults 10000, 100, 100 and 600; "1 100000 20 36" is one computer's year of history)

#include "auth/ConsoleAuth.h"
#include "domain/ServerClock.h"
#include "domain/SettingsRecord.h"
#include "shell/CentralServer.h"
#include "store/StoreSchema.h"
#include "WireFormat.h"

#include <algorithm>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTextStream>

namespace {

// An SQL expression for one column of a seeded row; `n` is the computer's number, `r` the report's.
QString seededValue(const QString& column) {
    if (column == QLatin1String("sComputerName") || column == QLatin1String("name"))
        return QStringLiteral("printf('PC-%05d', n)");
    if (column == QLatin1String("sDir1") || column == QLatin1String("Dir1"))
        return QStringLiteral("'C:\\spool\\in'");
    if (column == QLatin1String("sAlert1") || column == QLatin1String("Alert1"))
        return QStringLiteral("'100'");
    if (column == QLatin1String("sCount1"))
        return QStringLiteral("CAST((n * 7 + r * 3) % 130 AS TEXT)");
    if (column == QLatin1String("sDisk1"))
        return QStringLiteral("'C:\\'");
    if (column == QLatin1String("sDiskSpace1"))
        return QStringLiteral("CAST(100000 + (n * 31 + r) % 90000 AS TEXT)");
    if (column == QLatin1String("sAlertStatus") || column == QLatin1String("sAlert"))
        return QStringLiteral("CASE WHEN n % 13 = 0 THEN '1' ELSE '0' END");
    if (column == QLatin1String("SettingTime") || column == QLatin1String("sSettingTime"))
        return QStringLiteral("'10'");
    if (column == QLatin1String("Disable") || column == QLatin1String("sDisable"))
        return QStringLiteral("'0'");
    if (column == QLatin1String("sOS"))
        return QStringLiteral("'Linux'");
    if (column == QLatin1String("sORUVersion"))
        return QStringLiteral("'2.2.2'");
    return QStringLiteral("''");
}

QString seedStatement(const QString& table, const QStringList& columns, const QString& from,
                      const QStringList& extraColumns, const QStringList& extraValues) {
    QStringList names = extraColumns;
    QStringList values = extraValues;
    for (const QString& column : columns) {
        names << QLatin1Char('"') + column + QLatin1Char('"');
        values << seededValue(column);
    }
    return QStringLiteral("INSERT INTO %1 (%2) SELECT %3 FROM %4")
        .arg(table, names.join(QStringLiteral(", ")), values.join(QStringLiteral(", ")), from);
}

// Every 13th computer alerts; every 7th last reported two hours ago and is silent.
bool seed(const QString& file, int computers, int reportsEach, int secondsApart, const QDateTime& now,
          QString* error) {
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("seed"));
    db.setDatabaseName(file);
    const QString numbers =
        QStringLiteral("(WITH RECURSIVE c(n) AS (SELECT 1 UNION ALL SELECT n + 1 FROM c WHERE n < %1) "
                       "SELECT n, 0 AS r FROM c)")
            .arg(computers);
    const QString reports =
        QStringLiteral("(WITH RECURSIVE c(n) AS (SELECT 1 UNION ALL SELECT n + 1 FROM c WHERE n < %1), "
                       "k(r) AS (SELECT 1 UNION ALL SELECT r + 1 FROM k WHERE r < %2) "
                       "SELECT n, r FROM k, c ORDER BY r, n)")
            .arg(computers)
            .arg(reportsEach);
    const QString at =
        QStringLiteral("strftime('%Y-%m-%dT%H:%M:%f', '%1', '-' || ((%2) * %3) || ' seconds')");
    const QString nowText = now.toString(Qt::ISODateWithMs);
    const QStringList statements{
        seedStatement(QStringLiteral("computers"), server::SettingsRecord::fieldNames(), numbers,
                      {"name", "registered_at", "changed_at"},
                      {"printf('PC-%05d', n)", "'" + nowText + "'", "'" + nowText + "'"}),
        seedStatement(QStringLiteral("latest_status"), server::schema::statusKeys(), numbers,
                      {"name", "received_at"},
                      {"printf('PC-%05d', n)",
                       at.arg(nowText, QStringLiteral("CASE WHEN n % 7 = 0 THEN 12 ELSE 0 END")).arg(600)}),
        seedStatement(QStringLiteral("reports"), wire::reportKeys(), reports, {"received_at"},
                      {at.arg(nowText, QStringLiteral("%1 - r").arg(reportsEach)).arg(secondsApart)}),
    };
    bool ok = db.open() && db.transaction();
    for (const QString& sql : statements) {
        QSqlQuery query(db);
        if (ok && !query.exec(sql)) {
            *error = query.lastError().text();
            ok = false;
        }
    }
    ok = ok && db.commit();
    db.close();
    db = QSqlDatabase();
    QSqlDatabase::removeDatabase(QStringLiteral("seed"));
    return ok;
}

struct Timing {
    double medianMs = 0;
    double meanMs = 0;
    int failures = 0;
};

Timing timeRoute(QNetworkAccessManager& manager, const QUrl& url, const QByteArray& token, int requests) {
    QList<double> times;
    Timing timing;
    for (int k = 0; k < requests; ++k) {
        QNetworkRequest request(url);
        request.setRawHeader("Authorization", "Bearer " + token);
        QElapsedTimer timer;
        timer.start();
        QNetworkReply* reply = manager.get(request);
        QEventLoop loop;
        QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
        loop.exec();
        times << timer.nsecsElapsed() / 1e6;
        if (reply->error() != QNetworkReply::NoError || reply->readAll().isEmpty()) {
            ++timing.failures;
            if (timing.failures == 1)
                QTextStream(stderr) << url.toString() << ": " << reply->errorString() << Qt::endl;
        }
        reply->deleteLater();
    }
    std::sort(times.begin(), times.end());
    timing.medianMs = times[times.size() / 2];
    for (double ms : times)
        timing.meanMs += ms / times.size();
    return timing;
}

// The whole run reads the time the fleet was seeded at, so every computer stands as it was seeded.
class SeedTime final : public server::Clock {
public:
    explicit SeedTime(const QDateTime& at) : at(at) {}
    QDateTime now() override { return at; }

private:
    QDateTime at;
};

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const int computers = args.size() > 1 ? args[1].toInt() : 10000;
    const int reportsEach = args.size() > 2 ? args[2].toInt() : 100;
    const int requests = args.size() > 3 ? args[3].toInt() : 100;
    const int secondsApart = args.size() > 4 ? args[4].toInt() : 600;
    QTextStream out(stdout);

    QTemporaryDir dir;
    server::ServerOptions options;
    options.port = 0;
    options.databaseFile = dir.filePath(QStringLiteral("bench.sqlite"));
    options.newDatabase = true;
    const QDateTime now = QDateTime::currentDateTime();
    SeedTime seedTime(now);
    const platform::ScopedFake<server::Clock> pinned(seedTime);
    server::CentralServer central;
    central.addConstantRoute();
    const auto started = computers < 1 || reportsEach < 1 || requests < 1 || secondsApart < 1
                             ? Failure{}
                             : central.start(options);
    if (!started) {
        out << "bench_console: cannot start: " << started.reason() << Qt::endl;
        return 1;
    }
    QString error;
    QElapsedTimer seeding;
    seeding.start();
    if (!seed(options.databaseFile, computers, reportsEach, secondsApart, now, &error)) {
        out << "bench_console: cannot seed the store: " << error << Qt::endl;
        return 1;
    }
    out << "seeded " << computers << " computers and " << qint64(computers) * reportsEach << " reports in "
        << seeding.elapsed() / 1000 << " s" << Qt::endl;

    server::ServerStore store;
    server::AccountStore accounts(store);
    server::ConsoleAuth auth(accounts);
    const auto opened = store.open(options.databaseFile, server::NewDatabase::Allowed);
    const auto token = opened ? auth.addToken("bench", server::Role::Viewer, now) : Failure{opened.reason()};
    if (!token) {
        out << "bench_console: cannot make a token: " << token.reason() << Qt::endl;
        return 1;
    }

    const QString middle = QStringLiteral("PC-%1").arg(std::max(1, computers / 2), 5, 10, QChar('0'));
    const auto since = [&](int days) {
        return QStringLiteral("/history?from=") + now.addDays(-days).toUTC().toString(Qt::ISODate);
    };
    const QList<std::pair<QString, QString>> routes{
        {"constant route", "/bench/constant"},
        {"fleet, first page", "/api/v1/computers"},
        {"fleet, page 100", "/api/v1/computers?page=100"},
        {"fleet, search", "/api/v1/computers?search=pc-0420"},
        {"one computer", "/api/v1/computers/" + middle},
        {"history, 50 reports", "/api/v1/computers/" + middle + "/reports?limit=50"},
        {"history, 1000 reports", "/api/v1/computers/" + middle + "/reports?limit=1000"},
        {"history, older page", "/api/v1/computers/" + middle + "/reports?limit=50&before=500000"},
        {"history, a day", "/api/v1/computers/" + middle + since(1)},
        {"history, a year", "/api/v1/computers/" + middle + since(365)},
    };
    QNetworkAccessManager manager;
    double constantMs = 0;
    int failures = 0;
    out << requests << " requests per route, one at a time; median and mean per request\n";
    for (const auto& [name, path] : routes) {
        const Timing timing =
            timeRoute(manager, central.url().resolved(QUrl(path)), token->toLatin1(), requests);
        if (constantMs == 0)
            constantMs = timing.medianMs;
        failures += timing.failures;
        out << name.leftJustified(24) << QString::number(timing.medianMs, 'f', 2).rightJustified(9) << " ms"
            << QString::number(timing.meanMs, 'f', 2).rightJustified(9) << " ms   constant/route "
            << QString::number(constantMs / timing.medianMs, 'f', 3) << "   " << timing.failures << " failed"
            << Qt::endl;
    }
    return failures > 0 ? 1 : 0;
}
