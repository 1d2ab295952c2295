#pragma once

namespace platform {

// Lets the window messages that are already pending run once, without waiting for new ones.
void processPendingEvents();

} // namespace platform
