#include "shell/CentralServer.h"

#include "auth/Secrets.h"
#include "console/ConsoleFiles.h"
#include "Endpoints.h"
#include "exchange/TimePage.h"
#include "exchange/UpdateDownload.h"
#include "http/TextReply.h"
#include "shell/TlsFiles.h"
#include "store/DatabaseLocation.h"

#include <memory>
#include <QRegularExpression>
#include <QSslServer>

namespace server {
namespace {

// Route patterns are regular expressions; the paths must match exactly, dots included.
QString exactPath(const QString& path) {
    return QRegularExpression::escape(path);
}

} // namespace

CentralServer::CentralServer(Clock clock)
    : m_clock(clock), m_gate(m_store, clock), m_exchange(m_store, m_gate, clock), m_api(m_store, clock) {
    addRoutes();
}

void CentralServer::addRoutes() {
    m_http.route(exactPath(wire::kExchangePath),
                 [this](const QHttpServerRequest& request) { return m_exchange.answer(request); });
    m_http.route(exactPath(wire::kTimePath), [this](const QHttpServerRequest& request) {
        if (request.method() != QHttpServerRequest::Method::Get)
            return methodNotAllowed(QByteArrayLiteral("GET"));
        return QHttpServerResponse(QByteArrayLiteral("text/html; charset=utf-8"),
                                   timePageText(m_clock()).toUtf8());
    });
    m_http.route(exactPath(wire::kUpdatePath), [this](const QHttpServerRequest& request) {
        if (request.method() != QHttpServerRequest::Method::Get)
            return methodNotAllowed(QByteArrayLiteral("GET"));
        return updateDownload(m_updatesFolder);
    });
    addConsoleRoutes();
}

void CentralServer::addConsoleRoutes() {
    m_http.route(ConsoleApi::prefix() + QStringLiteral(".*"),
                 [this](const QHttpServerRequest& request) { return m_api.answer(request); });
    m_http.route(QStringLiteral("/console/.*"), [](const QHttpServerRequest& request) {
        if (request.method() != QHttpServerRequest::Method::Get)
            return methodNotAllowed(QByteArrayLiteral("GET"));
        return consoleFile(request.url().path().mid(QStringLiteral("/console/").size()));
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

bool CentralServer::start(const ServerOptions& options, QString* error) {
    m_updatesFolder = options.updatesFolder;
    if (!secrets::initialise()) {
        *error = QStringLiteral("the cryptography library could not start");
        return false;
    }
    m_gate.setOptions({options.enrolment, options.newNamesPerMinute});
    m_exchange.setTrustedProxies(options.trustedProxies);
    if (!m_store.open(options.databaseFile, error)) {
        *error = QStringLiteral("cannot use the database %1: %2")
                     .arg(locationForDisplay(options.databaseFile), *error);
        return false;
    }
    return listen(options, error);
}

bool CentralServer::listen(const ServerOptions& options, QString* error) {
    std::unique_ptr<QTcpServer> listener;
    if (options.tlsCertificateFile.isEmpty() && options.tlsKeyFile.isEmpty()) {
        listener = std::make_unique<QTcpServer>();
    } else {
        const auto tls = loadTlsFiles(options.tlsCertificateFile, options.tlsKeyFile, error);
        if (!tls)
            return false;
        auto sslListener = std::make_unique<QSslServer>();
        sslListener->setSslConfiguration(*tls);
        listener = std::move(sslListener);
        m_scheme = QStringLiteral("https");
        m_api.setServedOverTls(true);
    }
    if (!listener->listen(options.address, options.port)) {
        *error = QStringLiteral("cannot listen on %1 port %2: %3")
                     .arg(options.address.toString())
                     .arg(options.port)
                     .arg(listener->errorString());
        return false;
    }
    m_address = options.address;
    m_port = listener->serverPort();
    m_http.bind(listener.release()); // the HTTP server takes ownership
    return true;
}

QUrl CentralServer::url() const {
    QUrl url;
    url.setScheme(m_scheme);
    url.setHost(m_address.toString());
    url.setPort(m_port);
    return url;
}

} // namespace server
