#pragma once

#include "platform/TransferChannel.h"

#include <QString>

namespace mdlGeneral {

// kova.key beside the executable: the secret the central server handed this computer at enrolment. It
// proves every request speaks for this computer, so it is private to the user (0600) and never logged.
QString agentKeyFilePath();

// The stored key, or empty when there is none yet (the next settings request then enrols).
QString readAgentKey();

// Replaces the file whole; the old key stays unless the new one was written completely.
Result<> writeAgentKey(const QString& key);

// Sets up `channel`'s next request to the central server: with the stored key when there is one.
void presentAgentKey(platform::TransferChannel& channel);

// Stores the key the central server handed out in the channel's last answer, if it did. A failure when a key
// came that is not 64 hexadecimal digits or could not be kept: its settings must then not be used.
Result<> keepIssuedAgentKey(const platform::TransferChannel& channel);

} // namespace mdlGeneral
