// Drives the central server with simulated agents (a settings request and a 67-key report each) over
// loopback HTTP, then sends the same requests to a route answering a constant text, and prints both rates
// and their ratio: how much the server's own work (form decoding, SQLite transactions) costs on top of
// the HTTP layer. Client and server share one thread, so both rates include the client's cost.
//
// Usage: bench_server [AGENTS] [CONNECTIONS]   (defaults 2000 and 6)

#include "shell/CentralServer.h"
#include "WireFormat.h"

#include <functional>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QTemporaryDir>
#include <QTextStream>

namespace {

QByteArray reportBody(int agent) {
    QStringList pairs;
    for (const QString& key : wire::reportKeys()) {
        QString value = QStringLiteral("value of %1").arg(key);
        if (key == QLatin1String("sComputerName"))
            value = QStringLiteral("BENCH%1").arg(agent);
        else if (key.startsWith(QLatin1String("sDir")))
            value = QStringLiteral("C:\\Data\\agent %1\\%2").arg(agent).arg(key);
        else if (key == QLatin1String("sDisable"))
            value = QStringLiteral("0");
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
        QElapsedTimer timer;
        timer.start();
        for (int k = 0; k < m_connections && m_nextAgent < m_agents; ++k)
            startAgent(m_nextAgent++);
        m_loop.exec();
        return timer.elapsed();
    }

    int failures() const { return m_failures; }

private:
    void startAgent(int agent) {
        post(m_settingsUrl, wire::settingsRequestBody(QStringLiteral("BENCH%1").arg(agent)).toUtf8(),
             [this, agent] { post(m_reportUrl, reportBody(agent), [this] { agentDone(); }); });
    }

    void post(const QUrl& url, const QByteArray& body, std::function<void()> then) {
        QNetworkRequest request(url);
        request.setHeader(QNetworkRequest::ContentTypeHeader, "application/x-www-form-urlencoded");
        QNetworkReply* reply = m_manager.post(request, body);
        QObject::connect(reply, &QNetworkReply::finished, reply, [this, reply, then = std::move(then)] {
            if (reply->error() != QNetworkReply::NoError || reply->readAll().isEmpty())
                ++m_failures;
            reply->deleteLater();
            then();
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
    QNetworkAccessManager m_manager;
    QEventLoop m_loop;
};

double rate(int requests, qint64 ms) {
    return ms > 0 ? requests * 1000.0 / ms : 0.0;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const int agents = args.size() > 1 ? args[1].toInt() : 2000;
    const int connections = args.size() > 2 ? args[2].toInt() : 6;
    QTextStream out(stdout);

    QTemporaryDir dir;
    server::ServerOptions options;
    options.port = 0;
    options.databaseFile = dir.filePath(QStringLiteral("bench.sqlite"));
    server::CentralServer central;
    central.addConstantRoute();
    QString error;
    if (agents < 1 || connections < 1 || !central.start(options, &error)) {
        out << "bench_server: cannot start: " << error << Qt::endl;
        return 1;
    }
    const QUrl endpoint = central.url().resolved(QUrl(QStringLiteral("/kova-oru/process_servers.asp")));
    const QUrl constant = central.url().resolved(QUrl(QStringLiteral("/bench/constant")));
    const int requests = 2 * agents;

    AgentDriver exchange(endpoint, endpoint, agents, connections);
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
        << "exchange / constant: " << QString::number(exchangeRate / baselineRate, 'f', 2) << Qt::endl;
    return exchange.failures() + baseline.failures() > 0 ? 1 : 0;
}
