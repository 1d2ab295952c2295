#pragma once

#include "Seam.h"

#include <optional>
#include <QString>

namespace platform {

// What the system says about itself. Windows gives the numbers of its version record and no name (the
// agent names it from the numbers); other systems give their own product name and a minor release number.
struct OsFacts {
    quint32 platformId = 0;
    quint32 major = 0;
    quint32 minor = 0;
    quint32 build = 0;
    bool serverEdition = false;
    QString productName;
};

class OsVersion {
public:
    virtual ~OsVersion() = default;
    // nullopt when the system does not tell.
    virtual std::optional<OsFacts> read() = 0;
};

template <> OsVersion& Seam<OsVersion>::real();

} // namespace platform
