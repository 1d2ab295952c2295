#include "shell/CentralServer.h"

#include "alerting/MetricsPage.h"
#include "auth/Secrets.h"
#include "console/ConsoleFiles.h"
#include "domain/ServerClock.h"
#include "edge/ConnectionGuard.h"
#include "edge/EdgeListener.h"
#include "Endpoints.h"
#include "exchange/ExchangeBounds.h"
#include "exchange/TimePage.h"
#include "exchange/UpdateDownload.h"
#include "http/ApiRequest.h"
#include "http/ExchangeRequest.h"
#include "http/MetricsRequest.h"
#include "http/TextReply.h"
#include "shell/TlsFiles.h"
#include "shell/TlsProof.h"
#include "store/DatabaseLocation.h"

#include <memory>
#include <optional>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QPointer>
#include <QRegularExpression>

namespace server {
namespace {

const QString kConsolePath = QStringLiteral("/console/");

// Route patterns are regular expressions; the paths must match exactly, dots included.
QString exactPath(const QString& path) {
    return QRegularExpression::escape(path);
}

// The route a request took, in a few fixed words, so the request counters stay small whatever is asked.
QString routeLabel(const QString& path) {
    if (path == wire::kExchangePath)
        return QStringLiteral("exchange");
    if (path == wire::kTimePath)
        return QStringLiteral("time");
    if (path == wire::kUpdatePath)
        return QStringLiteral("update");
    if (path.startsWith(ConsoleApi::prefix()))
        return QStringLiteral("api");
    if (path.startsWith(kConsolePath) || path == QStringLiteral("/") || path == QStringLiteral("/console"))
        return QStringLiteral("console");
    return QStringLiteral("other");
}

// A stray form to a page or an unknown address is still answered by its route (405, 404); more is refused.
constexpr qsizetype kStrayBodyBytes = 4 * 1024;

// The largest body each route takes; the edge refuses a larger one from its headers, unread.
qsizetype bodyLimit(QByteArrayView path) {
    static const QByteArray exchange = wire::kExchangePath.toUtf8();
    static const QByteArray api = ConsoleApi::prefix().toUtf8();
    if (path == exchange)
        return kMaxBodyBytes;
    if (path.startsWith(api))
        return ConsoleApi::kMaxBodyBytes;
    return kStrayBodyBytes;
}

} // namespace

CentralServer::CentralServer()
    : m_gate(m_store), m_exchange(m_store, m_gate), m_api(m_store), m_alerting(m_store), m_retention(m_store),
      m_answers(m_store) {
    addRoutes();
}

// Held answers go out while their clients may still read them.
CentralServer::~CentralServer() {
    m_store.settle();
    stopHttpThread();
}

void CentralServer::startHttpThread() {
    m_httpThread.setObjectName(QStringLiteral("kova_server HTTP"));
    m_httpThread.start();
    m_http.moveToThread(&m_httpThread);
    m_outbox.moveToThread(&m_httpThread);
}

// The HTTP thread may be waiting for the main thread meanwhile, which therefore keeps answering it.
void CentralServer::stopHttpThread() {
    if (!m_httpThread.isRunning())
        return;
    QMetaObject::invokeMethod(&m_outbox, [this, home = QThread::currentThread()] {
        m_outbox.flush();
        m_http.moveToThread(home);
        m_outbox.moveToThread(home);
        QThread::currentThread()->quit();
    });
    while (!m_httpThread.wait(QDeadlineTimer(10)))
        QCoreApplication::sendPostedEvents(&m_main, QEvent::MetaCall);
}

void CentralServer::addRoutes() {
    addExchangeRoute();
    m_http.route(exactPath(wire::kTimePath), [this](const QHttpServerRequest& request) {
        if (request.method() != QHttpServerRequest::Method::Get)
            return methodNotAllowed(QByteArrayLiteral("GET"));
        return QHttpServerResponse(QByteArrayLiteral("text/html; charset=utf-8"),
                                   timePageText(currentTime()).toUtf8());
    });
    // The published agent and, under the same address with the suffix appended, its signature.
    for (const QString& path : {wire::kUpdatePath, wire::kUpdatePath + wire::kSignatureSuffix}) {
        m_http.route(exactPath(path),
                     [this, file = path.section(u'/', -1)](const QHttpServerRequest& request,
                                                           QHttpServerResponder&& responder) {
                         sendUpdate(request, file, std::move(responder));
                     });
    }
    addConsoleRoutes();
    addAlertingRoutes();
}

// Answered through the responder, once the writes are committed; the request counters' hook does not see
// such answers, so they are counted here.
void CentralServer::addExchangeRoute() {
    m_answers.setObservers(
        [this](const QHttpServerResponse& answer, const QElapsedTimer& since) {
            m_alerting.counters().observeExchange(double(since.nsecsElapsed()) / 1e9);
            m_alerting.counters().countRequest(QStringLiteral("exchange"), int(answer.statusCode()));
        },
        [this](int size) { m_alerting.counters().observeCommitGroup(size); });
    m_http.route(exactPath(wire::kExchangePath),
                 [this](const QHttpServerRequest& request, QHttpServerResponder&& responder) {
                     QElapsedTimer since;
                     since.start();
                     onMain([this, exchange = readExchangeRequest(request, m_trustedProxies),
                             deliver = m_outbox.keep(std::move(responder)), since] {
                         ExchangeAnswer answer = m_exchange.answer(exchange);
                         m_answers.send(deliver, std::move(answer.response), std::move(answer.ifLost), since);
                     });
                 });
}

// Streamed at the client's pace, so that many downloads of a large program hold little memory. Answered
// through the responder, which the request counters' hook does not see, so counted here.
void CentralServer::sendUpdate(const QHttpServerRequest& request, const QString& file,
                               QHttpServerResponder&& responder) {
    const auto answerWith = [&](const QHttpServerResponse& response) {
        countRequest(QStringLiteral("update"), int(response.statusCode()));
        response.write(std::move(responder));
    };
    if (request.method() != QHttpServerRequest::Method::Get)
        return answerWith(methodNotAllowed(QByteArrayLiteral("GET")));
    auto opened = openUpdate(m_updatesFolder, file);
    if (!opened)
        return answerWith(textReply(opened.reason(), Status::NotFound));
    countRequest(QStringLiteral("update"), int(Status::Ok));
    responder.write(m_edge->answering()->pace(std::move(*opened)),
                    {{"Content-Type", "application/octet-stream"}});
}

void CentralServer::addAlertingRoutes() {
    m_http.route(exactPath(QStringLiteral("/metrics")),
                 [this](const QHttpServerRequest& request, QHttpServerResponder&& responder) {
                     answerMetrics(readMetricsRequest(request, m_trustedProxies), std::move(responder));
                 });
    m_http.afterRequest([this](QHttpServerResponse&& response, const QHttpServerRequest& request) {
        countRequest(routeLabel(request.url().path()), int(response.statusCode()));
        return std::move(response);
    });
}

// The page is gathered on the main thread, then moves to the HTTP thread to be written.
void CentralServer::answerMetrics(const MetricsRequest& request, QHttpServerResponder&& responder) {
    auto kept = std::make_shared<QHttpServerResponder>(std::move(responder));
    onMain([this, request, kept, client = QPointer<QTcpSocket>(kept->socket())] {
        m_store.settle();
        m_alerting.answerMetrics(request, [this, kept, client](Alerting::MetricsAnswer&& answer) {
            if (auto* const* page = std::get_if<MetricsPage*>(&answer)) {
                (*page)->moveToThread(&m_httpThread);
                return onHttp([page = *page, kept, client] {
                    if (!client)
                        return page->deleteLater();
                    page->send(std::move(*kept));
                });
            }
            auto refusal = std::make_shared<QHttpServerResponse>(std::move(std::get<0>(answer)));
            onHttp([refusal, kept, client] {
                if (client)
                    refusal->write(std::move(*kept));
            });
        });
    });
}

void CentralServer::countRequest(const QString& route, int status) {
    onMain([this, route, status] { m_alerting.counters().countRequest(route, status); });
}

void CentralServer::addConsoleRoutes() {
    // Answered on the main thread while the HTTP thread waits: the console's requests are few.
    m_http.route(ConsoleApi::prefix() + QStringLiteral(".*"), [this](const QHttpServerRequest& request) {
        std::optional<QHttpServerResponse> answer;
        waitForMain([&, api = readApiRequest(request, m_trustedProxies)] {
            m_store.settle();
            answer.emplace(m_api.answer(api));
        });
        return std::move(*answer);
    });
    m_http.route(kConsolePath + QStringLiteral(".*"), [](const QHttpServerRequest& request) {
        if (request.method() != QHttpServerRequest::Method::Get)
            return methodNotAllowed(QByteArrayLiteral("GET"));
        return consoleFile(request.url().path().mid(kConsolePath.size()));
    });
    for (const QString& entry : {QStringLiteral("/"), QStringLiteral("/console")}) {
        m_http.route(exactPath(entry), [] {
            QHttpServerResponse response(QHttpServerResponder::StatusCode::Found);
            response.setHeader("Location", "/console/");
            return response;
        });
    }
}

void CentralServer::addConstantRoute() {
    m_http.route(exactPath(QStringLiteral("/bench/constant")),
                 [] { return textReply(QStringLiteral("OK")); });
}

Result<> CentralServer::start(const ServerOptions& options) {
    m_updatesFolder = options.updatesFolder;
    if (!secrets::initialise())
        return Failure{QStringLiteral("the cryptography library could not start")};
    m_gate.setOptions({options.enrolment, options.newNamesPerMinute});
    m_trustedProxies = options.trustedProxies;
    if (const auto opened = m_store.open(options.databaseFile, options.creation()); !opened)
        return Failure{QStringLiteral("cannot use the database %1: %2")
                           .arg(locationForDisplay(options.databaseFile), opened.reason())};
    m_alerting.start(options.alerting);
    m_gate.setConflictObserver([this](const EnrolmentConflict& conflict) {
        return m_alerting.recorder().recordEnrolmentConflict(conflict);
    });
    m_api.setAlertingHooks({
        [this](const Acknowledgement& acknowledgement) {
            return m_alerting.recorder().recordAcknowledgement(acknowledgement);
        },
        [this] { return m_alerting.fixedReceivers(); },
        [this] { m_alerting.reloadReceivers(); },
        [this](const ConsoleReceiver& receiver) { m_alerting.tester().test(receiver); },
    });
    m_retention.start(options.keepDays);
    m_exchange.setReportInterval(options.reportIntervalSeconds);
    return listen(options);
}

Result<> CentralServer::listen(const ServerOptions& options) {
    auto listener = std::make_unique<EdgeListener>(options.edge, bodyLimit, options.trustedProxies);
    listener->watch(
        [this](Refusal refusal) { onMain([this, refusal] { m_alerting.counters().countRefusal(refusal); }); },
        [this](int open) { onMain([this, open] { m_alerting.counters().setOpenConnections(open); }); });
    // HTTP/1.1 answers go out in the order of their requests, so a connection's next request waits for
    // the commit of the last one's.
    listener->beforeParsing([this](const QTcpSocket* socket) {
        if (!m_outbox.owes(socket))
            return;
        QMetaObject::invokeMethod(
            &m_main, [this] { m_store.settle(); }, Qt::BlockingQueuedConnection);
        m_outbox.flush();
    });
    if (!options.tlsCertificateFile.isEmpty() || !options.tlsKeyFile.isEmpty()) {
        auto tls = loadTlsFiles(options.tlsCertificateFile, options.tlsKeyFile);
        if (!tls)
            return Failure{tls.reason()};
        requireStrongTls(*tls);
        if (auto proven = proveKeyMatchesCertificate(*tls); !proven)
            return proven;
        listener->useTls(*tls);
        m_scheme = QStringLiteral("https");
        m_api.setServedOverTls(true);
    }
    if (!listener->listen(options.address, options.port))
        return Failure{QStringLiteral("cannot listen on %1 port %2: %3")
                           .arg(options.address.toString())
                           .arg(options.port)
                           .arg(listener->errorString())};
    m_address = options.address;
    m_port = listener->serverPort();
    m_edge = listener.release();
    m_http.bind(m_edge); // the HTTP server takes ownership
    startHttpThread();
    return Result<>::success();
}

QUrl CentralServer::url() const {
    QUrl url;
    url.setScheme(m_scheme);
    url.setHost(m_address.toString());
    url.setPort(m_port);
    return url;
}

} // namespace server
