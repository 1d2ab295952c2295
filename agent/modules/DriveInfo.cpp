#include "modules/DriveInfo.h"

#include "platform/Drives.h"

namespace mdlGetServerInfo {

QString freeSpaceText(quint64 freeBytes, const QLocale& locale) {
    constexpr quint64 unit = 10000;
    const QString whole = QString::number(freeBytes / unit);
    const quint64 part = freeBytes % unit;
    if (part == 0)
        return whole;
    QString decimals = QStringLiteral("%1").arg(part, 4, 10, QLatin1Char('0'));
    while (decimals.endsWith(u'0'))
        decimals.chop(1);
    return whole + locale.decimalPoint() + decimals;
}

void GetDriveInfo(AgentState& state) {
    platform::Drives& drives = platform::Seam<platform::Drives>::get();
    for (int k = 1; k <= kDiskCount; ++k)
        state.DiskSpace[k] = QStringLiteral("0");

    int n = 1;
    for (const platform::Drive& drive : drives.list()) {
        if (!drive.fixed || !drive.ready)
            continue;
        // A drive that cannot say how much room it has reports none rather than another drive's figure.
        const quint64 freeBytes = drives.totalFreeBytes(drive.root).value_or(0);
        if (drive.root.isEmpty())
            continue;
        if (n > kDiskCount)
            break;
        state.Disk[n] = drive.root;
        state.DiskSpace[n] = freeSpaceText(freeBytes);
        ++n;
    }
}

} // namespace mdlGetServerInfo
