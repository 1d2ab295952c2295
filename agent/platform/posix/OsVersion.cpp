#include "platform/OsVersion.h"
#include "platform/posix/OsRelease.h"

#include <QFile>

namespace platform {

namespace {

class PosixOsVersion final : public OsVersion {
public:
    std::optional<OsFacts> read() override {
        // The second place is where the system keeps the file when /etc has none.
        for (const char* path : {"/etc/os-release", "/usr/lib/os-release"}) {
            QFile file(QString::fromLatin1(path));
            if (file.open(QIODevice::ReadOnly))
                return osFactsFromOsRelease(file.readAll());
        }
        return std::nullopt;
    }
};

} // namespace

template <> OsVersion& Seam<OsVersion>::real() {
    static PosixOsVersion version;
    return version;
}

} // namespace platform
