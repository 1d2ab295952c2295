#pragma once

#include "Seam.h"

#include <optional>
#include <QString>
#include <vector>

namespace platform {

struct Drive {
    // What the agent reports as the drive: "C:\" on Windows, the mount point ("/", "/home") elsewhere.
    QString root;
    // A local disk, as opposed to removable, optical, network or memory-backed storage.
    bool fixed = false;
    bool ready = false;
};

// The machine's drives (on POSIX systems: its mounted file systems).
class Drives {
public:
    virtual ~Drives() = default;
    // In the platform's own order.
    virtual std::vector<Drive> list() = 0;
    // All free bytes of the drive, including any the system keeps back for the administrator; nullopt when
    // the drive cannot be asked.
    virtual std::optional<quint64> totalFreeBytes(const QString& root) = 0;
};

template <> Drives& Seam<Drives>::real();

} // namespace platform
