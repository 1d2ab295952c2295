#pragma once

#include <QString>

namespace wire {

// A new agent key: 256 random bits from the system's generator, as 64 hexadecimal digits (fits a header
// and a file without any escaping). Agents make their own; the server makes one only for agents that
// send none.
QString newAgentKey();

// What the server keeps of a key. A key is 256 uniformly random bits, so a fast unkeyed hash (BLAKE2b)
// is enough: nobody can search a space that size, and a slow password hash would cost every exchange
// for nothing.
QString agentKeyHash(const QString& key);

// What an operator compares by eye before approving: the first 64 bits of the key's hash as four groups
// of four hex digits ("3f9a-07c1-b2d4-9e60"). Empty for an empty hash (a name that asked without a key).
QString keyFingerprint(const QString& keyHash);

} // namespace wire
