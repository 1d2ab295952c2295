#pragma once

#include <QStringList>

namespace server::schema {

// What operators decide about alerts: acknowledgements (one standing per computer), planned maintenance
// windows, whether an event fell in one, and the webhook receivers added from the console (with the
// secret each signs with, kept because signing needs it, and the answer to the latest test delivery).
QStringList operatorActionTables();

} // namespace server::schema
