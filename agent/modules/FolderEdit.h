#pragma once

#include "modules/Agent.h"

#include <QString>

// The operator's two folder edits. Each writes the slots, then posts the status report at once (the
// server learns its folder list only from reports) and runs a cycle to show the outcome.
namespace mdlFolderEdit {

// The add window's OK with the folder that its list has open and the limit box's text. True when the add
// went through to the report and the cycle, so the window closes; false when a message asked for a
// correction and the window stays open.
bool addFolder(Agent& agent, const QString& folder, const QString& limitText);

// The delete command, on the key of the tree node last clicked (empty before the first click).
void deleteFolder(Agent& agent, const QString& selectedNodeKey);

} // namespace mdlFolderEdit
