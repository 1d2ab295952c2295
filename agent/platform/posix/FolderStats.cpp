#include "platform/FolderStats.h"

#include <cerrno>
#include <cstddef>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <QFile>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

// Monitored folders can hold millions of files and are listed in full on every cycle, so the listing is
// read in large raw batches straight from the kernel and nothing is kept per entry.

namespace platform {

namespace {

constexpr std::size_t kListingBufferBytes = 256 * 1024;

class FolderHandle {
public:
    explicit FolderHandle(int fd) : fd(fd) {}
    ~FolderHandle() { ::close(fd); }
    FolderHandle(const FolderHandle&) = delete;
    FolderHandle& operator=(const FolderHandle&) = delete;

private:
    int fd;
};

enum class Entry { NotAFile, File, Unmeasurable };

// A failed look-up of an entry that has vanished since the listing, or of a link whose target cannot be
// reached, means "not a file"; anything else (a folder we may list but not search) means the folder cannot
// be measured.
Entry classifyFailure(int dirFd, const char* name, bool followed) {
    if (errno == ENOENT)
        return Entry::NotAFile;
    struct stat own;
    if (followed && ::fstatat(dirFd, name, &own, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(own.st_mode))
        return Entry::NotAFile;
    return Entry::Unmeasurable;
}

Entry measure(int dirFd, const char* name, bool follow, quint64& size) {
    struct stat st;
    if (::fstatat(dirFd, name, &st, follow ? 0 : AT_SYMLINK_NOFOLLOW) != 0)
        return classifyFailure(dirFd, name, follow);
    if (!S_ISREG(st.st_mode))
        return Entry::NotAFile;
    size = static_cast<quint64>(st.st_size);
    return Entry::File;
}

// The entry type from the listing spares a look-up for everything that cannot be a file.
Entry measureEntry(int dirFd, const char* name, unsigned char type, quint64& size) {
    switch (type) {
    case DT_REG:
        return measure(dirFd, name, false, size);
    case DT_LNK:
    case DT_UNKNOWN:
        return measure(dirFd, name, true, size);
    default:
        return Entry::NotAFile;
    }
}

// Adds up one batch of raw listing records; false when an entry cannot be measured.
bool addBatch(int dirFd, const char* records, std::size_t length, FolderTotals& totals) {
    for (std::size_t at = 0; at < length;) {
        const char* record = records + at;
        unsigned short recordLength;
        std::memcpy(&recordLength, record + offsetof(dirent64, d_reclen), sizeof recordLength);
        const auto type = static_cast<unsigned char>(record[offsetof(dirent64, d_type)]);
        quint64 size = 0;
        switch (measureEntry(dirFd, record + offsetof(dirent64, d_name), type, size)) {
        case Entry::File:
            totals.bytes += size;
            ++totals.files;
            break;
        case Entry::NotAFile:
            break;
        case Entry::Unmeasurable:
            return false;
        }
        at += recordLength;
    }
    return true;
}

} // namespace

std::optional<FolderTotals> countFolderFiles(const QString& path) {
    const QByteArray native = QFile::encodeName(path);
    if (native.contains('\0'))
        return std::nullopt;
    const int dirFd = ::open(native.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd < 0)
        return std::nullopt;
    const FolderHandle closer(dirFd);

    const auto buffer = std::make_unique_for_overwrite<char[]>(kListingBufferBytes);
    FolderTotals totals;
    for (;;) {
        const long filled = ::syscall(SYS_getdents64, dirFd, buffer.get(), kListingBufferBytes);
        if (filled == 0)
            return totals;
        if (filled < 0) {
            if (errno == EINTR)
                continue;
            return std::nullopt;
        }
        if (!addBatch(dirFd, buffer.get(), static_cast<std::size_t>(filled), totals))
            return std::nullopt;
    }
}

} // namespace platform
