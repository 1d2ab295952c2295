#pragma once

#include <functional>
#include <QString>

namespace mdlGeneral {

// What the download step reports; the body itself is in the target file.
struct DownloadResult {
    int httpStatus = 0;
    QString errorText;
};

// Fetches url into targetFile (created empty beforehand).
using Downloader = std::function<DownloadResult(const QString& url, const QString& targetFile)>;

enum class UpgradeOutcome {
    Restarted, // the new program was started and removeTrayIconAndExit called
    UpToDate,  // the published program is the running one: nothing replaced
    Refused,   // the download is no program for this system (HTTP error, empty body, anything else)
    Failed     // a transfer or file step failed, or the new program could not be started
};

// Downloads the published agent beside the executable and, when it is a program for this system and not
// the running one, puts it in place of "KOVA Oru" (keeping the previous one as "KOVA Oru.bak"), starts it
// and calls removeTrayIconAndExit. Every outcome but Restarted logs one line through appendLog.
UpgradeOutcome CheckForUpgrade(const QString& updateUrl, const Downloader& download,
                               const std::function<void(const QString&)>& appendLog,
                               const std::function<void()>& removeTrayIconAndExit);

} // namespace mdlGeneral
