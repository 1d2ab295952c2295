#include "platform/Clock.h"

namespace platform {

namespace {

class SystemTime final : public Clock {
public:
    QDateTime now() override { return QDateTime::currentDateTime(); }
};

} // namespace

template <> Clock& Seam<Clock>::real() {
    static SystemTime time;
    return time;
}

QDateTime now() {
    return Seam<Clock>::get().now();
}

} // namespace platform
