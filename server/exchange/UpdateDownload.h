#pragma once

#include "Result.h"

#include <memory>
#include <QFile>

namespace server {

// A published file of the updates folder (the agent executable "KOVA_Oru.exe" or its signature
// "KOVA_Oru.exe.sig"), opened to be sent byte for byte; why not (for a 404) when no folder was given or the
// file is not there.
Result<std::unique_ptr<QFile>> openUpdate(const QString& updatesFolder, const QString& fileName);

} // namespace server
