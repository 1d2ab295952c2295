#pragma once

#include <QString>

namespace mdlProcessAlerts {

// "size/count" in decimal (three files of 5120 bytes in all: "5120/3"; an empty folder: "0/0") for the files
// directly inside `path`, taken exactly as given; empty text when the folder does not exist or cannot be
// read.
QString GetFolderStats(const QString& path);

} // namespace mdlProcessAlerts
