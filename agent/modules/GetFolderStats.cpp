#include "modules/GetFolderStats.h"

#include "platform/FolderStats.h"

namespace mdlProcessAlerts {

QString GetFolderStats(const QString& path) {
    const std::optional<platform::FolderTotals> totals = platform::countFolderFiles(path);
    if (!totals)
        return {};
    return QString::number(totals->bytes) + u'/' + QString::number(totals->files);
}

} // namespace mdlProcessAlerts
