#pragma once

#include "alerting/Alerting.h"
#include "api/ConsoleApi.h"
#include "edge/EdgeListener.h"
#include "exchange/ExchangeEndpoint.h"
#include "exchange/HeldAnswers.h"
#include "shell/Outbox.h"
#include "shell/ServerOptions.h"
#include "store/Retention.h"
#include "store/ServerStore.h"

#include <QHttpServer>
#include <QThread>
#include <QUrl>

namespace server {

// The central server: the agents' endpoint, the web time page, the update download and the operator
// console on one port.
// HTTP (the edge's bounds, parsing, answering) runs on a thread of its own; the store, the routes' work
// and alerting stay on the thread that runs the event loop. The agents' answers wait for the commit their
// writes share (see HeldAnswers).
class CentralServer {
public:
    CentralServer();
    ~CentralServer();
    CentralServer(const CentralServer&) = delete;
    CentralServer& operator=(const CentralServer&) = delete;

    // Opens the database, loads the TLS files when given and starts listening; on failure says what
    // failed, in words fit for the operator.
    Result<> start(const ServerOptions& options);

    quint16 port() const { return m_port; }
    // The address it listens on, e.g. http://127.0.0.1:8080.
    QUrl url() const;

    // A route answering a constant text, so a benchmark can tell the cost of the server's own work from
    // that of the HTTP layer.
    void addConstantRoute();

private:
    void addRoutes();
    void addExchangeRoute();
    void addConsoleRoutes();
    void addAlertingRoutes();
    Result<> listen(const ServerOptions& options);
    void sendUpdate(const QHttpServerRequest& request, const QString& file, QHttpServerResponder&& responder);
    void answerMetrics(const MetricsRequest& request, QHttpServerResponder&& responder);
    void startHttpThread();
    void stopHttpThread();
    // Work handed from the HTTP thread to the main thread, and back.
    void onMain(std::function<void()> work) { QMetaObject::invokeMethod(&m_main, std::move(work)); }
    void onHttp(std::function<void()> work) { QMetaObject::invokeMethod(&m_outbox, std::move(work)); }
    void waitForMain(std::function<void()> work) {
        QMetaObject::invokeMethod(&m_main, std::move(work), Qt::BlockingQueuedConnection);
    }
    void countRequest(const QString& route, int status);

    ServerStore m_store;
    AgentGate m_gate;
    ExchangeEndpoint m_exchange;
    ConsoleApi m_api;
    Alerting m_alerting;
    Retention m_retention;
    HeldAnswers m_answers;
    QHttpServer m_http;
    Outbox m_outbox;
    QThread m_httpThread;
    EdgeListener* m_edge = nullptr; // owned by m_http
    QString m_updatesFolder;
    TrustedProxies m_trustedProxies; // peers whose X-Forwarded-For names the client
    QString m_scheme = QStringLiteral("http");
    QHostAddress m_address;
    quint16 m_port = 0;
    QObject m_main; // work handed to the main thread; destroyed first, so nothing is handed over after
};

} // namespace server
