#include "alerting/FolderChanges.h"

#include "domain/EventKinds.h"

#include <QSet>

namespace server {
namespace {

const QString kFolderPrefix = QStringLiteral("folder:");

std::optional<QString> standingState(FolderCondition condition) {
    switch (condition) {
    case FolderCondition::Over:
        return events::folderOverLimit();
    case FolderCondition::ScanError:
        return events::folderScanError();
    case FolderCondition::Normal:
    case FolderCondition::Near:
        break;
    }
    return std::nullopt;
}

} // namespace

QString folderSubject(const FolderReading& folder) {
    return kFolderPrefix + QString::number(folder.slot) + QLatin1Char(':') + folder.path;
}

QList<FolderChange> folderChanges(const QList<FolderReading>& readings,
                                  const QHash<QString, QString>& standing) {
    QList<FolderChange> changes;
    QSet<QString> seen;
    for (const FolderReading& folder : readings) {
        const QString subject = folderSubject(folder);
        seen.insert(subject);
        const std::optional<QString> before =
            standing.contains(subject) ? std::optional(standing.value(subject)) : std::nullopt;
        const std::optional<QString> now = standingState(folder.condition);
        if (before == now)
            continue;
        changes << FolderChange{subject, now, now ? *now : events::folderBackToNormal(), folder};
    }
    // A folder no longer watched (slot emptied or path changed) is not back to normal: it is simply gone.
    for (auto it = standing.begin(); it != standing.end(); ++it) {
        if (it.key().startsWith(kFolderPrefix) && !seen.contains(it.key()))
            changes << FolderChange{it.key(), std::nullopt, QString(), {}};
    }
    return changes;
}

} // namespace server
