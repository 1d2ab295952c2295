#pragma once

#include <QString>
#include <optional>

namespace platform {

// The folder of the running executable, without a closing separator: the name file, the status pictures
// and the update files live there. Tests point it at a temporary folder.
QString executableFolder();
void setExecutableFolderOverride(const std::optional<QString>& folder);

} // namespace platform
