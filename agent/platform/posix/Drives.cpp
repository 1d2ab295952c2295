#include "platform/Drives.h"

#include <algorithm>
#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QSet>
#include <sys/stat.h>
#include <sys/statvfs.h>

// On POSIX systems the drives are the mounted file systems; the local disks among them (file systems on a
// block device) stand for the fixed drives, and the mount point for the root.

namespace platform {

namespace {

struct Mount {
    QString point;
    QByteArray device; // "major:minor"
    QByteArray fsType;
    QByteArray source;
};

// Mount points are written with blanks, tabs, newlines and backslashes as octal escapes (\040).
QString unescapeMountField(const QByteArray& field) {
    QByteArray plain;
    plain.reserve(field.size());
    for (qsizetype i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size()) {
            bool ok = false;
            const int code = field.mid(i + 1, 3).toInt(&ok, 8);
            if (ok) {
                plain += char(code);
                i += 3;
                continue;
            }
        }
        plain += field[i];
    }
    return QFile::decodeName(plain);
}

// One line of /proc/self/mountinfo: id, parent, major:minor, root, mount point, options, optional fields,
// "-", file-system type, source, super options.
std::optional<Mount> parseMountLine(const QByteArray& line) {
    const QList<QByteArray> fields = line.trimmed().split(' ');
    const qsizetype dash = fields.indexOf("-", 6);
    if (fields.size() < 6 || dash < 0 || dash + 2 >= fields.size())
        return std::nullopt;
    return Mount{unescapeMountField(fields[4]), fields[2], fields[dash + 1], fields[dash + 2]};
}

// In mount order; a later mount on the same point hides the earlier one, and takes its place.
std::vector<Mount> visibleMounts() {
    std::vector<Mount> mounts;
    QFile table(QStringLiteral("/proc/self/mountinfo"));
    if (!table.open(QIODevice::ReadOnly))
        return mounts;
    for (QByteArray line = table.readLine(); !line.isEmpty(); line = table.readLine()) {
        const std::optional<Mount> mount = parseMountLine(line);
        if (!mount)
            continue;
        const auto same = std::find_if(mounts.begin(), mounts.end(),
                                       [&](const Mount& earlier) { return earlier.point == mount->point; });
        if (same != mounts.end())
            *same = *mount;
        else
            mounts.push_back(*mount);
    }
    return mounts;
}

// Memory-backed, network, user-space and read-only image file systems are no local disks, even where their
// source looks like a device.
bool isDiskFileSystemType(const QByteArray& type) {
    static const QSet<QByteArray> notDisks = {"tmpfs", "ramfs", "nfs", "nfs4",     "cifs",    "smb3",
                                              "smbfs", "sshfs", "9p",  "squashfs", "iso9660", "udf"};
    return !type.startsWith("fuse.") && !notDisks.contains(type);
}

bool isBlockDevice(const Mount& mount) {
    if (!mount.source.startsWith("/dev/"))
        return false;
    struct stat st;
    if (::stat(mount.source.constData(), &st) == 0 && S_ISBLK(st.st_mode))
        return true;
    // Some systems name the root device "/dev/root", which has no node; the kernel still knows it.
    return QFileInfo::exists(QStringLiteral("/sys/dev/block/") + QString::fromLatin1(mount.device));
}

// A file bind-mounted into place (as containers do with /etc/hosts) is no drive.
bool isFixed(const Mount& mount) {
    return isDiskFileSystemType(mount.fsType) && isBlockDevice(mount) && QFileInfo(mount.point).isDir();
}

class PosixDrives final : public Drives {
public:
    std::vector<Drive> list() override {
        std::vector<Drive> drives;
        QSet<QByteArray> disksSeen;
        for (const Mount& mount : visibleMounts()) {
            // A disk mounted in several places is one drive, like a volume with one letter.
            const bool fixed = isFixed(mount) && !disksSeen.contains(mount.device);
            if (fixed)
                disksSeen.insert(mount.device);
            drives.push_back(Drive{mount.point, fixed, true});
        }
        return drives;
    }

    std::optional<quint64> totalFreeBytes(const QString& root) override {
        struct statvfs figures;
        if (::statvfs(QFile::encodeName(root).constData(), &figures) != 0)
            return std::nullopt;
        return quint64(figures.f_bfree) * quint64(figures.f_frsize);
    }
};

} // namespace

template <> Drives& Seam<Drives>::real() {
    static PosixDrives drives;
    return drives;
}

} // namespace platform
