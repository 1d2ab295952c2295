#pragma once

#include "Seam.h"

#include <QString>

namespace platform {

// Where the running program lives; tests point it at a temporary folder.
class ExecutableLocation {
public:
    virtual ~ExecutableLocation() = default;
    virtual QString folder() = 0;
    virtual QString runningExecutable() = 0;
};

template <> ExecutableLocation& Seam<ExecutableLocation>::real();

// The folder that holds the running executable; the agent's own files (name file, pictures, the update's
// backup) live beside it.
QString executableFolder();

// The running executable's own path. It need not carry the agent's name: the self-update compares the
// download with it to recognise that it already runs the published program.
QString runningExecutable();

// The file name of a program on this system: the base name with the system's program suffix.
QString executableFileName(const QString& baseName);

} // namespace platform
