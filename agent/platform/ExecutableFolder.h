#pragma once

#include <optional>
#include <QString>

namespace platform {

// The folder that holds the running executable; the agent's own files (name file, pictures, the update's
// backup) live beside it.
QString executableFolder();

// The running executable's own path. It need not carry the agent's name: the self-update compares the
// download with it to recognise that it already runs the published program.
QString runningExecutable();

// The file name of a program on this system: the base name with the system's program suffix.
QString executableFileName(const QString& baseName);

// Tests point both at a temporary folder; nullopt returns to the real values.
void setExecutableFolderOverride(const std::optional<QString>& folder);
void setRunningExecutableOverride(const std::optional<QString>& path);

} // namespace platform
