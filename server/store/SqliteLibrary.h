#pragma once

namespace server::sql {

// Sets up the SQLite library for this process before its first connection; later calls do nothing.
void setUpSqliteLibrary();

} // namespace server::sql
