#pragma once

#include <functional>
#include <QString>
#include <QStringList>

namespace mdlGeneral {

// What the download step reports; the body itself is in the target file.
struct DownloadResult {
    int httpStatus = 0;
    QString errorText;
};

// Fetches url into targetFile (created empty beforehand); a body above sizeBound bytes is a failed download.
using Downloader =
    std::function<DownloadResult(const QString& url, const QString& targetFile, qint64 sizeBound)>;

// No agent is near this size; a larger download is refused before it fills the disk.
constexpr qint64 kUpdateSizeBound = qint64(256) << 20;

enum class UpgradeOutcome {
    Restarted, // the new program was proven, started and removeTrayIconAndExit called
    UpToDate,  // the published program is the running one: nothing replaced
    Refused, // the download is not a signed program for this system (HTTP error, no or a wrong signature...)
    Failed   // a transfer or file step failed, or the new program did not prove itself (and was taken back)
};

// Downloads the published agent and its signature (the same address with ".sig" appended) beside the
// executable and, when a trusted key signed it, it is a program for this system and not the running one, puts
// it in place of "KOVA Oru" (keeping the previous one as "KOVA Oru.bak"). The new program must then answer
// --version (UpdateProof), or the previous one is put back. It is started with `restartArguments` and
// removeTrayIconAndExit is called. Every outcome logs one line through appendLog.
UpgradeOutcome CheckForUpgrade(const QString& updateUrl, const QStringList& restartArguments,
                               const Downloader& download,
                               const std::function<void(const QString&)>& appendLog,
                               const std::function<void()>& removeTrayIconAndExit);

} // namespace mdlGeneral
