#pragma once

#include "Seam.h"

#include <chrono>

namespace platform {

// How long a transfer may take: the real service grants what the caller asks; tests shorten every wait.
class TransferTimeout {
public:
    virtual ~TransferTimeout() = default;
    virtual std::chrono::milliseconds granted(std::chrono::milliseconds asked) = 0;
};

template <> TransferTimeout& Seam<TransferTimeout>::real();

} // namespace platform
