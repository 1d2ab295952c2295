// A real Prometheus scrapes the built central server with an API token while the built agent reports a
// folder over its limit; the numbers come back through Prometheus's own query API.
#include "Endpoints.h"
#include "support/BlockingHttp.h"
#include "support/BuiltPrograms.h"
#include "support/BuiltServer.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QUrlQuery>

namespace {

quint16 freePort() {
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

QString tokenFrom(const QString& printed) {
    return QRegularExpression("[A-Za-z0-9_-]{40,}").match(printed).captured();
}

bool writeFile(const QString& path, const QByteArray& contents) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(contents) == contents.size();
}

} // namespace

class TestPrometheusScrape : public QObject {
    Q_OBJECT

    QTemporaryDir work;
    BuiltServer server;
    QProcess prometheus;
    QString prometheusUrl;
    QString agentCopy;

    // The value of the single series `query` finds now, or empty.
    QString queryValue(const QString& query) {
        QUrl url(prometheusUrl + "/api/v1/query");
        url.setQuery(QUrlQuery{{"query", query}});
        const auto reply = testsupport::httpRequest("GET", url);
        const QJsonArray result =
            QJsonDocument::fromJson(reply.body).object()["data"].toObject()["result"].toArray();
        return result.size() == 1 ? result[0].toObject()["value"].toArray()[1].toString() : QString();
    }

    int runAgent() {
        QProcess agent;
        agent.setProcessChannelMode(QProcess::MergedChannels);
        agent.start(agentCopy, {"--once", "--server-url", server.endpoint(), "--time-url",
                                "http://127.0.0.1:9/t", "--update-url", "http://127.0.0.1:9/u"});
        if (!agent.waitForFinished(60000)) // the server is a process of its own: blocking here is fine
            return -1;
        qInfo().noquote() << agent.readAll().right(300);
        return agent.exitCode();
    }

private slots:
    void initTestCase() {
        agentCopy = copyBuiltAgent(work.path());
        QVERIFY(!agentCopy.isEmpty());
        QVERIFY(writeFile(work.filePath("kova.ini"), "PROM-PC"));
    }
    void cleanupTestCase() {
        prometheus.terminate();
        if (!prometheus.waitForFinished(10000))
            prometheus.kill();
        prometheus.waitForFinished();
        server.kill();
    }

    void prometheusReadsWhatTheAgentReported() {
        const QString db = work.filePath("server.sqlite");
        const QString scraper = tokenFrom(runServerAction({"--database", db, "--new-database", "--add-token",
                                                           "prometheus", "--role", "viewer"})
                                              .out);
        const QString admin =
            tokenFrom(runServerAction({"--database", db, "--add-token", "setup", "--role", "admin"}).out);
        QVERIFY(!scraper.isEmpty() && !admin.isEmpty());
        const auto started = server.start({"--port", "0", "--database", db, "--enrol", "open"});
        QVERIFY2(started, qPrintable(started.reason()));

        // The agent's first run registers it; then its first folder gets a limit of 2 for 3 files.
        QCOMPARE(runAgent(), 0);
        QDir folder(work.filePath("spool"));
        QVERIFY(folder.mkpath(".") && writeFile(folder.filePath("a"), "1") &&
                writeFile(folder.filePath("b"), "2") && writeFile(folder.filePath("c"), "3"));
        QNetworkAccessManager manager;
        QNetworkRequest put(QUrl(server.url + "/api/v1/computers/PROM-PC/settings"));
        put.setHeader(QNetworkRequest::ContentTypeHeader, "application/json");
        put.setRawHeader("Authorization", "Bearer " + admin.toLatin1());
        const QByteArray change =
            QJsonDocument(QJsonObject{{"Dir1", folder.path()}, {"Alert1", "2"}}).toJson();
        QCOMPARE(testsupport::httpRequest("PUT", put.url(), change, "application/json").status,
                 401); // no token
        std::unique_ptr<QNetworkReply> reply(manager.sendCustomRequest(put, "PUT", change));
        QTRY_VERIFY(reply->isFinished());
        QCOMPARE(reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(), 200);
        QCOMPARE(runAgent(), 0);

        const quint16 port = freePort();
        prometheusUrl = QStringLiteral("http://127.0.0.1:%1").arg(port);
        const QUrl target(server.url);
        QVERIFY(writeFile(work.filePath("prometheus.yml"),
                          QStringLiteral("global:\n  scrape_interval: 1s\n  scrape_timeout: 1s\n"
                                         "scrape_configs:\n  - job_name: kova\n    metrics_path: /metrics\n"
                                         "    authorization:\n      credentials: %1\n"
                                         "    static_configs:\n      - targets: ['127.0.0.1:%2']\n")
                              .arg(scraper)
                              .arg(target.port())
                              .toUtf8()));
        prometheus.setProcessChannelMode(QProcess::MergedChannels);
        prometheus.start("prometheus", {"--config.file=" + work.filePath("prometheus.yml"),
                                        "--storage.tsdb.path=" + work.filePath("tsdb"),
                                        QStringLiteral("--web.listen-address=127.0.0.1:%1").arg(port)});
        QVERIFY2(prometheus.waitForStarted(), qPrintable(prometheus.errorString()));

        QTRY_COMPARE_WITH_TIMEOUT(queryValue("kova_folder_files{computer=\"PROM-PC\",slot=\"1\"}"),
                                  QString("3"), 60000);
        QCOMPARE(queryValue("kova_folder_limit{computer=\"PROM-PC\",slot=\"1\"}"), QString("2"));
        QCOMPARE(queryValue("kova_folder_state{computer=\"PROM-PC\",slot=\"1\"}"), QString("2")); // over
        QCOMPARE(queryValue("up{job=\"kova\"}"), QString("1"));
        QCOMPARE(queryValue("kova_computer_silent{computer=\"PROM-PC\"}"), QString("0"));
    }
};

QTEST_GUILESS_MAIN(TestPrometheusScrape)
#include "TestPrometheusScrape.moc"
