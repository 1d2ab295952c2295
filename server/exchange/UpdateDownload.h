#pragma once

#include <QHttpServerResponse>

namespace server {

// A published file of the updates folder (the agent executable "KOVA_Oru.exe" or its signature
// "KOVA_Oru.exe.sig"), byte for byte; 404 when no folder was given or the file is not there.
QHttpServerResponse updateDownload(const QString& updatesFolder, const QString& fileName);

} // namespace server
