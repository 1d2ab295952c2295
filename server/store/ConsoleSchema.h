#pragma once

#include <QStringList>

namespace server::schema {

// The console's tables: operators and API tokens (secrets only as hashes), sessions (shared through the
// database so that several server instances can serve one operator), failed logins per name, and the
// audit of every change an operator made.
QStringList consoleTables();

} // namespace server::schema
