// Drives the central server with simulated agents (a settings request and a 67-key report each) over
// loopback HTTP, then sends the same requests to a route answering a constant text, and prints both rates
// and their ratio: how much the server's own work (form decoding, SQLite transactions) costs on top of
// the HTTP layer. The client shares the main thread with the server's own work (the HTTP layer has a
// thread of its own), so both rates include the client's cost. Each agent enrols under the open policy
// and sends its key, so the key check is included.
//
// With OLD_REPORTS, that many reports older than the history kept are put in the database first, so the
// background retention prunes them while the agents exchange; the longest single request shows the
// stall it causes.
//
// Usage: bench_server [AGENTS] [CONNECTIONS] [OLD_REPORTS]   (defaults 2000, 6 and 0)

#include "shell/CentralServer.h"
#include "store/ServerStore.h"
#include "WireFormat.h"

#include <functional>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTextStream>

namespace {

// A report as a real agent sends it: the settings it was given come back as they were, its folders are
// its own.
QByteArray reportBody(int agent, const QStringList& settings) {
    QStringList pairs;
    for (const QString& key : wire::reportKeys()) {
        const qsizetype setting = wire::settingsReportKeys().indexOf(key);
        QString value = QStringLiteral("value of %1").arg(key);
        if (key == QLatin1String("sComputerName"))
            value = QStringLiteral("BENCH%1").arg(agent);
        else if (key.startsWith(QLatin1String("sDir")))
            value = QStringLiteral("C:\\Data\\agent %1\\%2").arg(agent).arg(key);
        else if (setting >= 0)
            value = settings.value(setting);
        pairs << key + QLatin1Char('=') + wire::EncodeFieldValue(value);
    }
    return pairs.join(QLatin1Char('&')).toUtf8();
}

// Runs every agent's two requests in order, with at most `connections` agents in flight at once.
class AgentDriver {
public:
    AgentDriver(QUrl settingsUrl, QUrl reportUrl, int agents, int connections)
        : m_settingsUrl(std::move(settingsUrl)), m_reportUrl(std::move(reportUrl)), m_agents(agents),
          m_connections(connections) {}

    // Returns the elapsed milliseconds.
    qint64 run() {
        m_nextAgent = 0;
        m_finishedTail = 0;
        m_failures = 0;
        QElapsedTimer timer;
        timer.start();
        for (int k = 0; k < m_connections && m_nextAgent < m_agents; ++k)
            startAgent(m_nextAgent++);
        m_loop.exec();
        return timer.elapsed();
    }

    int failures() const { return m_failures; }
    qint64 longestRequestMs() const { return m_longestMs; }

private:
    // An agent enrols with its first settings request and sends its key from then on, so the key check
    // is part of what is measured.
    void startAgent(int agent) {
        post(m_settingsUrl, wire::settingsRequestBody(QStringLiteral("BENCH%1").arg(agent)).toUtf8(),
             m_keys.value(agent), [this, agent](QNetworkReply* settings) {
                 if (settings->hasRawHeader(wire::kAgentKeyHeader))
                     m_keys.insert(agent, settings->rawHeader(wire::kAgentKeyHeader));
                 const QByteArray key = m_keys.value(agent);
                 const QStringList given = wire::splitSettingsReply(QString::fromUtf8(settings->readAll()));
                 post(m_reportUrl, reportBody(agent, given), key, [this](QNetworkReply*) { agentDone(); });
             });
    }

    void post(const QUrl& url, const QByteArray& body, const QByteArray& key,
              std::function<void(QNetworkReply*)> then) {
        QNetworkRequest request(url);
        request.setHeader(QNetworkRequest::ContentTypeHeader, "application/x-www-form-urlencoded");
        if (!key.isEmpty())
            request.setRawHeader("Authorization", "Bearer " + key);
        QNetworkReply* reply = m_manager.post(request, body);
        QElapsedTimer sent;
        sent.start();
        QObject::connect(reply, &QNetworkReply::finished, reply, [this, reply, sent, then = std::move(then)] {
            m_longestMs = std::max(m_longestMs, sent.elapsed());
            const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
            if (reply->error() != QNetworkReply::NoError || status != 200 || reply->bytesAvailable() == 0)
                ++m_failures;
            reply->deleteLater();
            then(reply);
        });
    }

    void agentDone() {
        if (m_nextAgent < m_agents)
            startAgent(m_nextAgent++);
        else if (++m_finishedTail == m_connections || m_finishedTail == m_agents)
            m_loop.quit();
    }

    QUrl m_settingsUrl;
    QUrl m_reportUrl;
    int m_agents;
    int m_connections;
    int m_nextAgent = 0;
    int m_finishedTail = 0;
    int m_failures = 0;
    qint64 m_longestMs = 0;
    QHash<int, QByteArray> m_keys;
    QNetworkAccessManager m_manager;
    QEventLoop m_loop;
};

// Reports from long before the history kept, written behind the server's back before it starts.
bool seedOldReports(const QString& file, int count) {
    {
        server::ServerStore store; // the schema
        if (!store.open(file, server::NewDatabase::Allowed))
            return false;
    }
    bool seeded = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("seed"));
        db.setDatabaseName(file);
        const QString columns =
            QLatin1Char('"') + wire::reportKeys().join(QStringLiteral("\", \"")) + QLatin1Char('"');
        const QString values =
            QStringList(wire::reportKeys().size(), QStringLiteral("'old'")).join(QStringLiteral(", "));
        seeded =
            db.open() && QSqlQuery(db).exec(
                             QStringLiteral("WITH RECURSIVE n(k) AS (SELECT 1 UNION ALL SELECT k + 1 FROM n "
                                            "WHERE k < %1) INSERT INTO reports (received_at, %2) SELECT "
                                            "'2000-01-01T00:00:00.000', %3 FROM n")
                                 .arg(count)
                                 .arg(columns, values));
    }
    QSqlDatabase::removeDatabase(QStringLiteral("seed"));
    return seeded;
}

double rate(int requests, qint64 ms) {
    return ms > 0 ? requests * 1000.0 / ms : 0.0;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const int agents = args.size() > 1 ? args[1].toInt() : 2000;
    const int connections = args.size() > 2 ? args[2].toInt() : 6;
    const int oldReports = args.size() > 3 ? args[3].toInt() : 0;
    QTextStream out(stdout);

    QTemporaryDir dir;
    server::ServerOptions options;
    options.port = 0;
    options.databaseFile = dir.filePath(QStringLiteral("bench.sqlite"));
    options.newDatabase = true;
    options.enrolment = server::EnrolmentPolicy::Open;
    options.newNamesPerMinute = agents; // every simulated agent comes from the same address
    options.keepDays = 30;
    options.reportIntervalSeconds = 0; // simulated agents report back to back
    if (oldReports > 0 && !seedOldReports(options.databaseFile, oldReports)) {
        out << "bench_server: cannot seed old reports" << Qt::endl;
        return 1;
    }
    server::CentralServer central;
    central.addConstantRoute();
    const auto started = agents < 1 || connections < 1 ? Failure{} : central.start(options);
    if (!started) {
        out << "bench_server: cannot start: " << started.reason() << Qt::endl;
        return 1;
    }
    const QUrl endpoint = central.url().resolved(QUrl(QStringLiteral("/kova-oru/process_servers.asp")));
    const QUrl constant = central.url().resolved(QUrl(QStringLiteral("/bench/constant")));
    const int requests = 2 * agents;

    // The first run enrols every agent; the timed one is the fleet's everyday exchange.
    AgentDriver exchange(endpoint, endpoint, agents, connections);
    exchange.run();
    const qint64 exchangeMs = exchange.run();
    AgentDriver baseline(constant, constant, agents, connections);
    const qint64 baselineMs = baseline.run();

    const double exchangeRate = rate(requests, exchangeMs);
    const double baselineRate = rate(requests, baselineMs);
    out << agents << " agents, " << connections << " connections, " << requests << " requests each run\n"
        << "agent exchange: " << exchangeMs << " ms, " << qRound(exchangeRate) << " requests/s, "
        << exchange.failures() << " failed\n"
        << "constant route: " << baselineMs << " ms, " << qRound(baselineRate) << " requests/s, "
        << baseline.failures() << " failed\n"
        << "longest request during the exchange run: " << exchange.longestRequestMs() << " ms\n"
        << "exchange / constant: " << QString::number(exchangeRate / baselineRate, 'f', 2) << Qt::endl;
    return exchange.failures() + baseline.failures() > 0 ? 1 : 0;
}
