#pragma once

#include "Result.h"
#include "Seam.h"

#include <QString>
#include <QStringList>

namespace platform {

// Starting other programs, which then run on their own: the agent does not wait for them.
class Launcher {
public:
    virtual ~Launcher() = default;

    // Starts program with arguments, passed one by one (no shell reads them), in a normal window with the
    // focus. A failure (with the reason) when it cannot be started.
    virtual Result<> startDetached(const QString& program, const QStringList& arguments) = 0;

    // The same with the program's window minimised, where the system has such a thing.
    virtual Result<> startMinimised(const QString& program, const QStringList& arguments) = 0;
};

template <> Launcher& Seam<Launcher>::real();

// Shows a folder in the desktop's file manager.
Result<> openFolder(const QString& path);

// Shows a web address in a browser.
Result<> openWebSite(const QString& url);

} // namespace platform
