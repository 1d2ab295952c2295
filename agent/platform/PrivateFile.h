#pragma once

#include "Result.h"

#include <QString>

namespace platform {

// Lets only the account that runs the agent read and write the file at `path`, whatever the folder would
// hand down: on POSIX mode 0600; on Windows a protected access list for that account, the system and the
// administrators (Program Files lets every user read what it holds).
Result<> makePrivate(const QString& path);

} // namespace platform
