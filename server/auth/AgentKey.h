#pragma once

#include <QString>

namespace server {

// A new agent key: 256 random bits from the system's generator, as 64 hexadecimal digits (fits a header
// and a file without any escaping).
QString newAgentKey();

// What the server keeps of a key. A key is 256 uniformly random bits, so a fast unkeyed hash (BLAKE2b)
// is enough: nobody can search a space that size, and a slow password hash would cost every exchange
// for nothing.
QString agentKeyHash(const QString& key);

// Compares in constant time, so the time of a refusal tells nothing about the stored hash.
bool agentKeyMatches(const QString& key, const QString& storedHash);

} // namespace server
