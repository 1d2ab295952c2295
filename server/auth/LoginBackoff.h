#pragma once

#include <QtGlobal>

namespace server {

// Failed logins a name may have before it must wait.
inline constexpr int kFreeLoginFailures = 5;

// How long a name must wait before its next login is even looked at, after `failures` failures in a row:
// nothing for the first few, then 30 seconds doubling with each further failure, at most an hour, so a
// guesser gets a few hundred tries a week while an operator who mistyped waits half a minute.
qint64 loginWaitSeconds(int failures);

} // namespace server
