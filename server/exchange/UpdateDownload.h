#pragma once

#include <QHttpServerResponse>

namespace server {

// The published agent executable "KOVA_Oru.exe" from the updates folder, byte for byte; 404 when no
// folder was given or the file is not there.
QHttpServerResponse updateDownload(const QString& updatesFolder);

} // namespace server
