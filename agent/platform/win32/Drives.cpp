#include "platform/Drives.h"

#include <cwchar>
#include <iterator>
#include <windows.h>

namespace platform {

namespace {

// An empty removable or optical drive must answer "not ready", not ask the operator to insert a disk.
bool isReady(const wchar_t* root) {
    DWORD previousMode = 0;
    ::SetThreadErrorMode(SEM_FAILCRITICALERRORS, &previousMode);
    const bool ready = ::GetVolumeInformationW(root, nullptr, 0, nullptr, nullptr, nullptr, nullptr, 0) != 0;
    ::SetThreadErrorMode(previousMode, nullptr);
    return ready;
}

class WindowsDrives final : public Drives {
public:
    std::vector<Drive> list() override {
        wchar_t roots[4 * 26 + 1] = {}; // "C:\" and a terminator per letter, one more at the end
        const DWORD length = ::GetLogicalDriveStringsW(DWORD(std::size(roots)), roots);
        std::vector<Drive> drives;
        if (length == 0 || length >= std::size(roots))
            return drives;
        for (const wchar_t* root = roots; *root; root += wcslen(root) + 1) {
            const bool fixed = ::GetDriveTypeW(root) == DRIVE_FIXED;
            // Only fixed drives are probed: waking a disconnected network drive can take many seconds.
            drives.push_back(Drive{QString::fromWCharArray(root), fixed, fixed && isReady(root)});
        }
        return drives;
    }

    std::optional<quint64> totalFreeBytes(const QString& root) override {
        ULARGE_INTEGER totalFree;
        if (!::GetDiskFreeSpaceExW(reinterpret_cast<const wchar_t*>(root.utf16()), nullptr, nullptr,
                                   &totalFree))
            return std::nullopt;
        return quint64(totalFree.QuadPart);
    }
};

} // namespace

template <> Drives& Seam<Drives>::real() {
    static WindowsDrives drives;
    return drives;
}

} // namespace platform
