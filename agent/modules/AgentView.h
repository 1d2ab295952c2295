#pragma once

#include "modules/FolderTree.h"

#include <optional>
#include <QByteArray>
#include <QString>

// What the agent's procedures ask of whatever shows them. The main window shows everything; the
// command-line run (--once) has no window and keeps these defaults.
class AgentView {
public:
    virtual ~AgentView() = default;

    virtual void showLog(const QString& /*text*/) {}
    virtual void showServerMessage(const QString& /*text*/) {}
    virtual void setScanNowEnabled(bool /*enabled*/) {}
    virtual void showMonitoring(bool /*on*/) {}
    virtual void showVersion(const QString& /*caption*/) {}
    virtual void showFolderTree(const FolderTree& /*tree*/) {}
    virtual void ensureFolderVisible(const QString& /*key*/) {}
    // The picture file's contents; the window decodes them.
    virtual void showStatusPicture(const QByteArray& /*picture*/) {}
    virtual void minimiseWindow() {}
    virtual void disableCloseMenu() {}

    // The notification-area icon: added with the resting icon, shown with animation frame 1..17 while an
    // alert stands, put back to the resting icon, removed when the agent ends. Tooltips arrive already cut.
    virtual void addTrayIcon(const QString& /*tooltip*/) {}
    virtual void showTrayFrame(int /*frame*/, const QString& /*tooltip*/) {}
    virtual void restoreTrayIcon(const QString& /*tooltip*/) {}
    virtual void removeTrayIcon() {}

    // The name file is missing. Returns the exit code when the program must end (setup completed, or
    // there is no way to ask for a name); nothing when start-up goes on without a name.
    virtual std::optional<int> runFirstRunSetup() = 0;
};
