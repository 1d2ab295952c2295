#include "shell/CentralServer.h"

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
#include <QElapsedTimer>
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
    m_http.route(exactPath(wire::kExchangePath), [this](const QHttpServerRequest& request,
                                                        QHttpServerResponder&& responder) {
        QElapsedTimer since;
        since.start();
        ExchangeAnswer answer = m_exchange.answer(readExchangeRequest(request, m_trustedProxies));
        m_answers.send(std::move(responder), std::move(answer.response), std::move(answer.ifLost), since);
    });
}

// Streamed at the client's pace, so that many downloads of a large program hold little memory. Answered
// through the responder, which the request counters' hook does not see, so counted here.
void CentralServer::sendUpdate(const QHttpServerRequest& request, const QString& file,
                               QHttpServerResponder&& responder) {
    const auto answerWith = [&](const QHttpServerResponse& response) {
        m_alerting.counters().countRequest(QStringLiteral("update"), int(response.statusCode()));
        response.write(std::move(responder));
    };
    if (request.method() != QHttpServerRequest::Method::Get)
        return answerWith(methodNotAllowed(QByteArrayLiteral("GET")));
    auto opened = openUpdate(m_updatesFolder, file);
    if (!opened)
        return answerWith(textReply(opened.reason(), Status::NotFound));
    m_alerting.counters().countRequest(QStringLiteral("update"), int(Status::Ok));
    responder.write(m_edge->answering()->pace(std::move(*opened)),
                    {{"Content-Type", "application/octet-stream"}});
}

void CentralServer::addAlertingRoutes() {
    m_http.route(exactPath(QStringLiteral("/metrics")), [this](const QHttpServerRequest& request,
                                                               QHttpServerResponder&& responder) {
        m_store.settle();
        m_alerting.answerMetrics(readMetricsRequest(request, m_trustedProxies), std::move(responder));
    });
    m_http.afterRequest([this](QHttpServerResponse&& response, const QHttpServerRequest& request) {
        m_alerting.counters().countRequest(routeLabel(request.url().path()), int(response.statusCode()));
        return std::move(response);
    });
}

void CentralServer::addConsoleRoutes() {
    m_http.route(ConsoleApi::prefix() + QStringLiteral(".*"), [this](const QHttpServerRequest& request) {
        m_store.settle();
        return m_api.answer(readApiRequest(request, m_trustedProxies));
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
    listener->watch([this](Refusal refusal) { m_alerting.counters().countRefusal(refusal); },
                    [this](int open) { m_alerting.counters().setOpenConnections(open); });
    // HTTP/1.1 answers go out in the order of their requests, so a connection's next request waits for
    // the commit of the last one's.
    listener->beforeParsing([this](const QTcpSocket* socket) {
        if (m_answers.owes(socket))
            m_store.settle();
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
