#pragma once

#include "platform/Seam.h"

#include <optional>
#include <QDateTime>
#include <QString>

namespace platform {

// Restarting the machine and knowing when it last started.
class Power {
public:
    virtual ~Power() = default;

    // Asks the system to restart the machine, closing applications without asking them. The request only
    // starts the restart; false (with the system's reason in *error) when the system refuses it.
    virtual bool requestRestart(QString* error) = 0;

    // The local date-time at which the machine last started; nullopt when the system does not tell.
    virtual std::optional<QDateTime> machineStarted() = 0;
};

template <> Power& Seam<Power>::real();

} // namespace platform
