#pragma once

#include "Result.h"

#include <QString>

namespace platform {

// Lets only the account that runs the agent read and write the file at `path`, whatever the folder would
// hand down: on POSIX mode 0600; on Windows a protected access list for that account, the system and the
// administrators (Program Files lets every user read what it holds).
Result<> makePrivate(const QString& path);

// Whether an account other than the one that runs the agent may write the file or folder at `path` (false
// when there is none): on POSIX another owner, or group or others with write permission. On Windows the
// installer's access list of the program's folder decides, and the answer is no.
bool othersMayWrite(const QString& path);

} // namespace platform
