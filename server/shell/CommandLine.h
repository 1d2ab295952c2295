#pragma once

#include "shell/ServerOptions.h"

#include <optional>
#include <QCoreApplication>

namespace server {

// Reads the server's options from the command line; --help prints the usage and ends the program.
std::optional<ServerOptions> readCommandLine(const QCoreApplication& app, QString* error);

} // namespace server
