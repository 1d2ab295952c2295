#pragma once

#include <QString>

namespace server {

// How many connections the process's open-file limit lets the server hold, raising the soft limit toward
// the hard one when it is short. Each connection is a descriptor; kReserve stay for the database, the
// listening socket, webhooks and files.
struct ConnectionRoom {
    int connections = 0;
    QString warning; // empty when all that was asked fits
};

inline constexpr int kReservedDescriptors = 64;

ConnectionRoom fitToOpenFileLimit(int wanted);

} // namespace server
