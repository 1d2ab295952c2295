#pragma once

#include "platform/Seam.h"

#include <QDateTime>
#include <QString>

namespace platform {

// Setting the machine's date and time of day.
class SystemClock {
public:
    virtual ~SystemClock() = default;

    // Sets the date and the time of day together, as local time. False (with the system's reason in
    // *error) when the system refuses; the clock is then unchanged.
    virtual bool setLocalDateTime(const QDateTime& value, QString* error) = 0;
};

template <> SystemClock& Seam<SystemClock>::real();

} // namespace platform
