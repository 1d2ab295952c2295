#pragma once

#include <QStringList>

namespace server::schema {

// The tables behind alerts that leave the server: each computer's standing alert conditions (so a change
// is told once), the events themselves, and one delivery row per event and receiver, which is the
// queue that survives a restart.
QStringList alertingTables();

} // namespace server::schema
