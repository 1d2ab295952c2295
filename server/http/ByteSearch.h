#pragma once

#include <cstring>
#include <QByteArrayView>

namespace server {

// Where `c` first is in `bytes` from `from` on, or -1. Qt 6.4's indexOf(char) goes through its general
// substring search, which cost more than the rest of splitting a request's lines or a report's pairs.
inline qsizetype indexOfByte(QByteArrayView bytes, char c, qsizetype from = 0) {
    if (from >= bytes.size())
        return -1;
    const void* found = std::memchr(bytes.data() + from, c, size_t(bytes.size() - from));
    return found ? static_cast<const char*>(found) - bytes.data() : -1;
}

} // namespace server
