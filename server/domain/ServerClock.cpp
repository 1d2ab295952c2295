#include "domain/ServerClock.h"

namespace {

class SystemTime final : public server::Clock {
public:
    QDateTime now() override { return QDateTime::currentDateTime(); }
};

} // namespace

template <> server::Clock& platform::Seam<server::Clock>::real() {
    static SystemTime time;
    return time;
}

namespace server {

QDateTime currentTime() {
    return platform::Seam<Clock>::get().now();
}

} // namespace server
