#include "console/ConsoleFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

// Resources in a static library are only linked in when something names them.
static void initialiseConsoleResources() {
    Q_INIT_RESOURCE(console);
    Q_INIT_RESOURCE(chartjs);
}

namespace server {
namespace {

const QString kResourceRoot = QStringLiteral(":/console/");

QByteArray contentType(const QString& file) {
    static const QHash<QString, QByteArray> types{{QStringLiteral("html"), "text/html; charset=utf-8"},
                                                  {QStringLiteral("css"), "text/css; charset=utf-8"},
                                                  {QStringLiteral("js"), "text/javascript; charset=utf-8"},
                                                  {QStringLiteral("json"), "application/json"},
                                                  {QStringLiteral("svg"), "image/svg+xml"},
                                                  {QStringLiteral("png"), "image/png"},
                                                  {QStringLiteral("ico"), "image/x-icon"}};
    return types.value(QFileInfo(file).suffix().toLower(), "application/octet-stream");
}

QHttpServerResponse notFound() {
    QHttpServerResponse response("text/plain; charset=utf-8", "No such console page.",
                                 QHttpServerResponder::StatusCode::NotFound);
    addPageSecurityHeaders(response);
    return response;
}

} // namespace

QHttpServerResponse consoleFile(const QString& path) {
    static const bool initialised = (initialiseConsoleResources(), true);
    Q_UNUSED(initialised);
    const QString relative = path.isEmpty() ? QStringLiteral("index.html") : path;
    // Cleaning first, so "../" cannot climb out of the console into the server's other resources.
    const QString file = QDir::cleanPath(kResourceRoot + relative);
    if (!file.startsWith(kResourceRoot) || QFileInfo(file).isDir())
        return notFound();
    QFile resource(file);
    if (!resource.open(QIODevice::ReadOnly))
        return notFound();
    QHttpServerResponse response(contentType(file), resource.readAll());
    addPageSecurityHeaders(response);
    response.setHeader("Cache-Control", "no-cache");
    return response;
}

void addPageSecurityHeaders(QHttpServerResponse& response) {
    response.setHeader(
        "Content-Security-Policy",
        "default-src 'self'; script-src 'self'; style-src 'self' 'unsafe-inline'; "
        "img-src 'self' data:; connect-src 'self'; frame-ancestors 'none'; form-action 'self'");
    response.setHeader("X-Content-Type-Options", "nosniff");
    response.setHeader("X-Frame-Options", "DENY");
    response.setHeader("Referrer-Policy", "no-referrer");
}

} // namespace server
