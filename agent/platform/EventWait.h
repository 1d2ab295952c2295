#pragma once

#include <functional>

namespace platform {

// Lets window messages (timer ticks, commands, network events) run until `busy` turns false. It sleeps on
// the event queue between events instead of spinning, so an idle wait costs no processor time; whatever
// ends the wait (a finished reply, a time-out) arrives as an event and wakes it.
void waitWhile(const std::function<bool()>& busy);

// Lets the window messages that are already pending run once, without waiting for new ones.
void processPendingEvents();

} // namespace platform
