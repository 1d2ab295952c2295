#pragma once

#include "Result.h"
#include "shell/OperatorAction.h"
#include "shell/ServerOptions.h"

#include <optional>
#include <QCoreApplication>

namespace server {

// Reads the server's options from the command line, and the operator's action when one is given;
// --help prints the usage and ends the program.
Result<ServerOptions> readCommandLine(const QCoreApplication& app, OperatorAction& action);

} // namespace server
