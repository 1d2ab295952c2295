#pragma once

#include "Result.h"
#include "Seam.h"

#include <optional>
#include <QDateTime>
#include <QString>

namespace platform {

// Restarting the machine and knowing when it last started.
class Power {
public:
    virtual ~Power() = default;

    // Asks the system to restart the machine, closing applications without asking them. The request only
    // starts the restart; a failure (with the system's reason) when the system refuses it.
    virtual Result<> requestRestart() = 0;

    // The local date-time at which the machine last started; nullopt when the system does not tell.
    virtual std::optional<QDateTime> machineStarted() = 0;
};

template <> Power& Seam<Power>::real();

} // namespace platform
