#pragma once

#include "Result.h"
#include "Seam.h"

#include <QDateTime>
#include <QString>

namespace platform {

// Setting the machine's date and time of day.
class SystemClock {
public:
    virtual ~SystemClock() = default;

    // Sets the date and the time of day together, as local time. A failure (with the system's reason) when
    // the system refuses; the clock is then unchanged.
    virtual Result<> setLocalDateTime(const QDateTime& value) = 0;
};

template <> SystemClock& Seam<SystemClock>::real();

} // namespace platform
