#pragma once

#include "store/ServerStore.h"

namespace server {

// What an operator decides about agents: the command line's actions today, the console's tomorrow. Each
// says in words fit for the operator why it could not be done.

// Admits a pending (or reset, or not yet seen) name: the key that asked for it (or, when none did, the
// first one to come) becomes its key at its next settings request.
Result<> approveComputer(ServerStore& store, const QString& name, const QDateTime& now);

// Withdraws the computer's key; the first key that asks for the name then enrols under the server's policy.
Result<> resetComputerKey(ServerStore& store, const QString& name);

// Lets the computer's reports and settings requests in without a key (for agents that cannot send one),
// or stops that again. Allowing it admits a pending name.
Result<> setKeylessAllowed(ServerStore& store, const QString& name, bool allowed);

} // namespace server
