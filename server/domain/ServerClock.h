#pragma once

#include "Seam.h"

#include <QDateTime>

namespace server {

// The time of day as the server reads it; tests pin it with a fake to check dates in replies.
class Clock {
public:
    virtual ~Clock() = default;
    virtual QDateTime now() = 0;
};

// The one place the server reads the time of day.
QDateTime currentTime();

} // namespace server

template <> server::Clock& platform::Seam<server::Clock>::real();
