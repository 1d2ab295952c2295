#include "modules/FolderEdit.h"

#include "modules/FolderSlotRules.h"
#include "platform/MessageBox.h"

using platform::MessageBox;

namespace mdlFolderEdit {

namespace {

void refuseLimit() {
    MessageBox::inform(
        QStringLiteral("An error occurred while trying to add a new monitor.  Please verify that you "
                       "selected a folder and entered a NUMBER between 1 and 9999"),
        QStringLiteral("Unexpected Error"));
}

void refuseFolder(const QString& folder) {
    MessageBox::inform(
        QStringLiteral("KOVA Oru cannot monitor %1: a folder path may not contain a comma followed "
                       "by a blank, because the central server's settings separate their values "
                       "that way. Please choose another folder.")
            .arg(folder),
        QStringLiteral("Folder not supported"));
}

void tellSlotsFull() {
    MessageBox::inform(QStringLiteral("KOVA Oru can only monitor up to 10 folders.  Please delete one of the "
                                      "folders being monitored to free up a slot."),
                       QStringLiteral("No more free slots"));
}

void pushEdit(Agent& agent) {
    agent.SendWWWSQL();
    agent.RunServerInfoNow();
}

} // namespace

bool addFolder(Agent& agent, const QString& folder, const QString& limitText) {
    const FileLimit limit = parseFileLimit(limitText);
    if (limit.kind == FileLimit::Kind::Empty) {
        MessageBox::inform(QStringLiteral("Please enter file limit count that will set off the alert"),
                           QStringLiteral("No file limit"));
        return false;
    }
    if (limit.kind == FileLimit::Kind::Invalid) {
        refuseLimit();
        return false;
    }
    if (!travelsInSettings(folder)) {
        refuseFolder(folder);
        return false;
    }
    if (const std::optional<int> n = lowestFreeSlot(agent.state())) {
        agent.state().Dir[*n] = folder;
        agent.state().Alert[*n] = QString::number(limit.value);
    } else {
        tellSlotsFull();
    }
    pushEdit(agent);
    return true;
}

void deleteFolder(Agent& agent, const QString& selectedNodeKey) {
    if (!MessageBox::askYesNo(QStringLiteral("Are you sure you want to discontinue monitoring this folder?"),
                              QStringLiteral("Stop Monitoring?")) ||
        selectedNodeKey.isEmpty())
        return;
    if (const std::optional<int> n = slotOfNodeKey(selectedNodeKey)) {
        agent.state().Dir[*n].clear();
        agent.state().Alert[*n].clear();
    }
    pushEdit(agent);
}

} // namespace mdlFolderEdit
