#pragma once

#include "Result.h"
#include "shell/ServerOptions.h"

#include <QTextStream>

namespace server {

// Adds the operator or token that the command line asked for: an operator's password is the first line
// of `input`; a token is written to `output`, the only time it is ever shown. Fails when nothing was added.
Result<> runAccountAction(const ServerOptions& options, QTextStream& input, QTextStream& output);

} // namespace server
