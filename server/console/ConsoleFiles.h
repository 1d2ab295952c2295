#pragma once

#include <QHttpServerResponse>

namespace server {

// A file of the operator console, compiled into the server under /console/; `path` is what follows
// "/console/" in the address (empty for the landing page). 404 for anything not compiled in.
QHttpServerResponse consoleFile(const QString& path);

// The headers every console page carries: nothing but the server itself may be loaded, framed or sniffed.
void addPageSecurityHeaders(QHttpServerResponse& response);

} // namespace server
