#pragma once

#include <optional>
#include <QString>

namespace platform {

struct FolderTotals {
    quint64 bytes = 0;
    quint64 files = 0;
};

// Counts the files directly inside `path` (hidden included, no subfolders, nothing below them) and adds
// their sizes. A file is a regular file or a link that leads to one (measured by its target); folders,
// broken links, sockets, pipes and devices are not files.
// Returns nullopt when the folder does not exist, is not a folder, or cannot be listed or measured.
std::optional<FolderTotals> countFolderFiles(const QString& path);

} // namespace platform
