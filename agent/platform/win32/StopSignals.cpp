#include "platform/StopSignals.h"

namespace platform {

// Windows stops a program through its service control manager, not a signal; the agent runs there in its
// window, so there is nothing to bridge.
StopSignals::StopSignals(QObject* parent) : QObject(parent) {}

StopSignals::~StopSignals() = default;

} // namespace platform
