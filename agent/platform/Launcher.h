#pragma once

#include "platform/Seam.h"

#include <QString>
#include <QStringList>

namespace platform {

// Starting other programs, which then run on their own: the agent does not wait for them.
class Launcher {
public:
    virtual ~Launcher() = default;

    // Starts program with arguments, passed one by one (no shell reads them), in a normal window with the
    // focus. False (with the reason in *error) when it cannot be started.
    virtual bool startDetached(const QString& program, const QStringList& arguments, QString* error) = 0;

    // The same with the program's window minimised, where the system has such a thing.
    virtual bool startMinimised(const QString& program, const QStringList& arguments, QString* error) = 0;
};

template <> Launcher& Seam<Launcher>::real();

// Shows a folder in the desktop's file manager.
bool openFolder(const QString& path, QString* error);

// Shows a web address in a browser.
bool openWebSite(const QString& url, QString* error);

} // namespace platform
