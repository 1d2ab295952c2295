#pragma once

#include "Seam.h"

#include <QDateTime>

namespace platform {

// The time of day as the agent reads it; tests pin it with a fake.
class Clock {
public:
    virtual ~Clock() = default;
    virtual QDateTime now() = 0;
};

template <> Clock& Seam<Clock>::real();

// The one place the agent reads the time of day.
QDateTime now();

} // namespace platform
