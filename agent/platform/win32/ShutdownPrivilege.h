#pragma once

namespace mdlRebootServer {

// Enables the shutdown privilege in the agent's own process token, so that a restart request is allowed.
// It does not restart anything itself.
void EnableShutdownPrivilege();

} // namespace mdlRebootServer
