#pragma once

#include "domain/FolderCondition.h"

#include <optional>
#include <QHash>

namespace server {

// What a report changes in a computer's standing folder conditions. Only an alert stands (over the limit
// or a scan error); near and normal are the same "nothing to tell" state, so a folder that was never in
// trouble gives no event.
struct FolderChange {
    QString subject;              // the condition's key: slot and path
    std::optional<QString> state; // the new standing state; nothing: the condition is cleared
    QString eventKind;            // empty: nothing to tell
    FolderReading folder;
};

// `standing` maps subjects to states as stored; subjects of other kinds (silence) are left alone.
QList<FolderChange> folderChanges(const QList<FolderReading>& readings,
                                  const QHash<QString, QString>& standing);

QString folderSubject(const FolderReading& folder);

} // namespace server
