#include "platform/FolderStats.h"

#include <string>
#include <windows.h>

namespace platform {

namespace {

class FindHandle {
public:
    explicit FindHandle(HANDLE handle) : handle(handle) {}
    ~FindHandle() { ::FindClose(handle); }
    FindHandle(const FindHandle&) = delete;
    FindHandle& operator=(const FindHandle&) = delete;

private:
    HANDLE handle;
};

quint64 joinSize(DWORD high, DWORD low) {
    return (quint64(high) << 32) | low;
}

// A symbolic link is listed with its own size; like every other file it counts with its target's size, and
// not at all when the target cannot be opened.
std::optional<quint64> linkTargetSize(const std::wstring& folder, const wchar_t* name) {
    const std::wstring full = folder + name;
    const HANDLE target =
        ::CreateFileW(full.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                      OPEN_EXISTING, 0, nullptr);
    if (target == INVALID_HANDLE_VALUE)
        return std::nullopt;
    LARGE_INTEGER size;
    const bool known = ::GetFileSizeEx(target, &size) != 0;
    ::CloseHandle(target);
    return known ? std::optional<quint64>(quint64(size.QuadPart)) : std::nullopt;
}

std::optional<quint64> fileSize(const std::wstring& folder, const WIN32_FIND_DATAW& entry) {
    if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        return std::nullopt;
    if ((entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) &&
        entry.dwReserved0 == IO_REPARSE_TAG_SYMLINK)
        return linkTargetSize(folder, entry.cFileName);
    return joinSize(entry.nFileSizeHigh, entry.nFileSizeLow);
}

} // namespace

std::optional<FolderTotals> countFolderFiles(const QString& path) {
    if (path.isEmpty() || path.contains(QChar(u'\0')))
        return std::nullopt;
    std::wstring folder = path.toStdWString();
    if (folder.back() != L'\\' && folder.back() != L'/')
        folder += L'\\';
    const std::wstring pattern = folder + L'*';

    WIN32_FIND_DATAW entry;
    const HANDLE handle = ::FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &entry, FindExSearchNameMatch,
                                             nullptr, FIND_FIRST_EX_LARGE_FETCH);
    if (handle == INVALID_HANDLE_VALUE) {
        // A drive root has no "." entry, so an empty one lists nothing at all.
        if (::GetLastError() == ERROR_FILE_NOT_FOUND)
            return FolderTotals{};
        return std::nullopt;
    }
    const FindHandle closer(handle);

    FolderTotals totals;
    do {
        if (const std::optional<quint64> size = fileSize(folder, entry)) {
            totals.bytes += *size;
            ++totals.files;
        }
    } while (::FindNextFileW(handle, &entry));
    if (::GetLastError() != ERROR_NO_MORE_FILES)
        return std::nullopt;
    return totals;
}

} // namespace platform
