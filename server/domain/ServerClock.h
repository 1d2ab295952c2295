#pragma once

#include <functional>
#include <QDateTime>

namespace server {

// Where the server reads the local time; tests pin it to check dates in replies.
using Clock = std::function<QDateTime()>;

inline Clock systemClock() {
    return [] { return QDateTime::currentDateTime(); };
}

} // namespace server
