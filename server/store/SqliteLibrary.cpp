#include "store/SqliteLibrary.h"

#include <sqlite3.h>

namespace server::sql {

// Without its memory statistics SQLite allocates without taking a process-wide lock and counting each
// block: that was a twentieth of a settings request's work. Nothing here reads those statistics. SQLite
// takes this only before it is first used, hence once, before the first connection opens.
void setUpSqliteLibrary() {
    [[maybe_unused]] static const int done = sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0);
}

} // namespace server::sql
