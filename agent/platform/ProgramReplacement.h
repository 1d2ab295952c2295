#pragma once

namespace platform {

// Whether a running program's file can be replaced under its name in one step. POSIX systems rename over
// it; Windows lets a running program be renamed but not replaced, so there it must be moved aside first.
bool canReplaceRunningProgram();

} // namespace platform
