#pragma once

#include <QString>

namespace platform {

// The machine's main local IPv4 address as dotted text (the first one that is up and not a loopback);
// empty when there is none.
QString localIpAddress();

} // namespace platform
