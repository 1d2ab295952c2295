#pragma once

namespace platform {

// Lets a windowed program print its --help, --version and --once output to the console it was started from.
// A Windows program built for the window subsystem gets no standard output of its own unless the caller
// redirected it; elsewhere, and when output is already redirected, this does nothing.
void useParentConsole();

} // namespace platform
