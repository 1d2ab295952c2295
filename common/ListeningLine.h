#pragma once

#include <QString>

namespace wire {

// The first line the central server prints once it listens, "listening on http://127.0.0.1:8080": tests,
// scripts/run and service wrappers read the address from it.
inline const QString kListeningPrefix = QStringLiteral("listening on ");

inline QString listeningLine(const QString& address) {
    return kListeningPrefix + address;
}

// The address a listening line names, or empty when `line` is no such line.
inline QString listeningAddress(const QString& line) {
    return line.startsWith(kListeningPrefix) ? line.mid(kListeningPrefix.size()).trimmed() : QString();
}

} // namespace wire
