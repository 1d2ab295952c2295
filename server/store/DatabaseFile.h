#pragma once

#include "Result.h"

#include <optional>
#include <QString>

namespace server {

// The identity of the database file on its file system, so the store can tell when the file it has open
// was deleted or replaced under it: SQLite would go on writing into the unlinked file and every report
// acknowledged from then on would be lost at the next start.
struct FileIdentity {
    unsigned long long device = 0;
    unsigned long long inode = 0;
    bool operator==(const FileIdentity&) const = default;
};

std::optional<FileIdentity> fileIdentity(const QString& path);

// Creates the file empty with mode 0600 when it does not exist yet. SQLite gives its -wal, -shm and
// journal files the mode of the database file, so they are private too.
Result<> createPrivateFile(const QString& path);

} // namespace server
