#pragma once

#include <QString>

namespace server {

// Compares in constant time, so the time of a refusal tells nothing about the stored hash.
bool agentKeyMatches(const QString& key, const QString& storedHash);

} // namespace server
