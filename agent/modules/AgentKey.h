#pragma once

#include "platform/TransferChannel.h"

#include <QString>

namespace mdlGeneral {

// kova.key beside the executable: the secret this agent made for itself (or, for agents enrolled earlier, the
// one the central server handed out). It proves every request speaks for this computer, so it is private to
// the user (0600) and never logged.
QString agentKeyFilePath();

// The stored key, or empty when there is none yet.
QString readAgentKey();

// Replaces the file whole; the old key stays unless the new one was written completely.
Result<> writeAgentKey(const QString& key);

// This computer's key; when there is none yet, a new one is made and stored before it is ever sent, so the
// key that enrols the computer is the one it keeps. `made` says the key is new.
struct AgentKeyStanding {
    QString key;
    bool made = false;
};
Result<AgentKeyStanding> agentKeyOrNew();

// "Key fingerprint: 3f9a-07c1-b2d4-9e60" for the stored key, which the central server shows an operator
// before approval; says there is no key yet when there is none.
QString agentKeyFingerprintText();

// Sets up `channel`'s next request to the central server: with `key` unless it is empty.
void presentAgentKey(platform::TransferChannel& channel, const QString& key);

// Stores the key the central server handed out in the channel's last answer, if it did (servers from before
// agents made their own keys). A failure when a key came that is not 64 hexadecimal digits or could not be
// kept: its settings must then not be used.
Result<> keepIssuedAgentKey(const platform::TransferChannel& channel);

} // namespace mdlGeneral
