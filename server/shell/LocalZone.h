#pragma once

namespace server {

// Names the system's zone file in TZ when nothing is named there. Without TZ, the C library looks at
// /etc/localtime again at every local-time conversion (a file-system lookup each), and reading one report's
// dates takes dozens of them; with the file named, it is read once. The zone is the same; a change of the
// system's zone is seen at the next start.
void settleLocalZone();

} // namespace server
