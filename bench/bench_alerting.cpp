// The alerting room's two figures: how long /metrics takes for a large fleet (against a route answering a
// constant text, so the HTTP layer's own cost is visible), and the agents' exchange p99 with no webhook
// receiver and with one that accepts connections and never answers. Client and server share one thread.
//
// Usage: bench_alerting [COMPUTERS] [REPORTS]   (defaults 10000 and 2000)

#include "shell/CentralServer.h"
#include "store/SqlRun.h"
#include "WireFormat.h"

#include <algorithm>
#include <ctime>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTextStream>

namespace {

QTextStream out(stdout);

// A report with three watched folders (one over its limit) and two disks.
QByteArray reportBody(const QString& computer, int files) {
    QHash<QString, QString> values{
        {"sComputerName", computer}, {"sORUVersion", "2.2.2"},  {"sSettingTime", "1"},
        {"sDisable", "0"},           {"sDisk1", "C:\\"},        {"sDiskSpace1", "123456"},
        {"sDisk2", "D:\\"},          {"sdiskspace2", "654321"}, {"sMessage", "System OK."}};
    for (int slot = 1; slot <= 3; ++slot) {
        values.insert(QStringLiteral("sDir%1").arg(slot), QStringLiteral("C:\\Data\\spool %1").arg(slot));
        values.insert(QStringLiteral("sAlert%1").arg(slot), QStringLiteral("100"));
        values.insert(QStringLiteral("sCount%1").arg(slot), QString::number(slot == 3 ? 150 : files));
    }
    QStringList pairs;
    for (const QString& key : wire::reportKeys())
        pairs << key + QLatin1Char('=') + wire::EncodeFieldValue(values.value(key));
    return pairs.join(QLatin1Char('&')).toUtf8();
}

struct Timed {
    double ms = 0;
    double cpuMs = 0; // this process's processor time: the server's and the client's work without the
                      // waits for other processes on a busy machine
    qint64 bytes = 0;
    int status = 0;
};

Timed request(QNetworkAccessManager& manager, const QUrl& url, const QByteArray& body = {},
              const QByteArray& key = {}, QByteArray* keyGiven = nullptr) {
    QNetworkRequest request(url);
    request.setHeader(QNetworkRequest::ContentTypeHeader, "application/x-www-form-urlencoded");
    if (!key.isEmpty())
        request.setRawHeader("Authorization", "Bearer " + key);
    QElapsedTimer timer;
    timer.start();
    const std::clock_t cpu = std::clock();
    std::unique_ptr<QNetworkReply> reply(body.isEmpty() ? manager.get(request) : manager.post(request, body));
    QEventLoop loop;
    QObject::connect(reply.get(), &QNetworkReply::finished, &loop, &QEventLoop::quit);
    loop.exec();
    const qint64 bytes = reply->readAll().size();
    if (keyGiven)
        *keyGiven = reply->rawHeader(wire::kAgentKeyHeader);
    return {double(timer.nsecsElapsed()) / 1e6, double(std::clock() - cpu) * 1000.0 / CLOCKS_PER_SEC, bytes,
            reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt()};
}

double median(QList<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Copies the first computer's rows under `count` new names, in one statement per table.
bool cloneFleet(const QString& databaseFile, const QString& model, int count) {
    bool ok = true;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("clone"));
        db.setDatabaseName(databaseFile);
        ok = db.open();
        for (const QString& table : {QStringLiteral("computers"), QStringLiteral("latest_status")}) {
            QStringList others;
            const QSqlRecord columns = db.record(table); // the driver's view, not a database's own catalogue
            for (int k = 0; k < columns.count(); ++k) {
                if (columns.fieldName(k) != QLatin1String("name"))
                    others << QLatin1Char('"') + columns.fieldName(k) + QLatin1Char('"');
            }
            QSqlQuery insert(db);
            ok = ok && insert.exec(QStringLiteral(
                                       "WITH RECURSIVE n(k) AS (SELECT 1 UNION ALL SELECT k + 1 FROM n "
                                       "WHERE k < %1) INSERT INTO %2 (name, %3) SELECT printf('FLEET%05d', "
                                       "k), %3 FROM n, %2 WHERE name = '%4'")
                                       .arg(count)
                                       .arg(table, others.join(QStringLiteral(", ")), model));
        }
    }
    QSqlDatabase::removeDatabase(QStringLiteral("clone"));
    return ok;
}

// A server on a free loopback port with a fresh database, enrolling every name at once.
server::ServerOptions benchOptions(const QTemporaryDir& dir) {
    server::ServerOptions options;
    options.port = 0;
    options.enrolment = server::EnrolmentPolicy::Open;
    options.newNamesPerMinute = 1000;
    options.reportIntervalSeconds = 0; // simulated agents report back to back
    options.databaseFile = dir.filePath(QStringLiteral("bench.sqlite"));
    options.newDatabase = true;
    return options;
}

void metricsFigure(int computers) {
    QTemporaryDir dir;
    server::ServerOptions options = benchOptions(dir);
    options.alerting.metricsAllow = {*server::readAddressRange(QStringLiteral("127.0.0.1"))};
    server::CentralServer central;
    if (const auto started = central.start(options); !started) {
        out << "cannot start: " << started.reason() << Qt::endl;
        return;
    }
    central.addConstantRoute();
    QNetworkAccessManager manager;
    const QUrl endpoint = central.url().resolved(QUrl("/kova-oru/process_servers.asp"));
    QByteArray key;
    request(manager, endpoint, wire::settingsRequestBody(QStringLiteral("MODEL")).toUtf8(), {}, &key);
    request(manager, endpoint, reportBody("MODEL", 42), key);
    if (!cloneFleet(options.databaseFile, QStringLiteral("MODEL"), computers - 1)) {
        out << "cannot fill the fleet" << Qt::endl;
        return;
    }
    QList<double> page, pageCpu, constant;
    qint64 bytes = 0;
    for (int round = 0; round < 5; ++round) {
        const Timed metrics = request(manager, central.url().resolved(QUrl("/metrics")));
        page << metrics.ms;
        pageCpu << metrics.cpuMs;
        bytes = metrics.bytes;
        constant << request(manager, central.url().resolved(QUrl("/bench/constant"))).ms;
    }
    out << QStringLiteral("/metrics at %1 computers: %2 ms median of 5 (%6 ms of processor time, server and "
                          "client) for %3 bytes; constant route %4 ms; ratio metrics/constant %5")
               .arg(computers)
               .arg(median(page), 0, 'f', 1)
               .arg(bytes)
               .arg(median(constant), 0, 'f', 2)
               .arg(median(page) / median(constant), 0, 'f', 0)
               .arg(median(pageCpu), 0, 'f', 1)
        << Qt::endl;
}

// Each report moves a folder across its limit, so each one queues an event for the receiver.
double exchangeP99(const QStringList& webhooks, int reports) {
    QTemporaryDir dir;
    server::ServerOptions options = benchOptions(dir);
    options.alerting.webhooks = webhooks;
    options.alerting.webhookSecret = "bench";
    server::CentralServer central;
    if (!central.start(options))
        return -1;
    QNetworkAccessManager manager;
    const QUrl endpoint = central.url().resolved(QUrl("/kova-oru/process_servers.asp"));
    QList<double> took;
    for (int k = 0; k < reports; ++k)
        took << request(manager, endpoint, reportBody(QStringLiteral("PC%1").arg(k % 50), k % 2 ? 10 : 500))
                    .ms;
    std::sort(took.begin(), took.end());
    return took[qsizetype(0.99 * double(took.size() - 1))];
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const int computers = args.size() > 1 ? args[1].toInt() : 10000;
    const int reports = args.size() > 2 ? args[2].toInt() : 2000;
    metricsFigure(computers);

    QTcpServer dead; // takes connections, never reads or answers
    dead.listen(QHostAddress::LocalHost, 0);
    const QString deadUrl = QStringLiteral("http://127.0.0.1:%1/hook").arg(dead.serverPort());
    const double without = exchangeP99({}, reports);
    const double with = exchangeP99({deadUrl}, reports);
    out << QStringLiteral("exchange p99 over %1 reports: %2 ms without a receiver, %3 ms with a dead one")
               .arg(reports)
               .arg(without, 0, 'f', 2)
               .arg(with, 0, 'f', 2)
        << Qt::endl;
    return 0;
}
