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

// Fetches url into targetFile, which it creates anew (never through a link or over a file already there); a
// body above sizeBound bytes is a failed download.
using Downloader =
    std::function<DownloadResult(const QString& url, const QString& targetFile, qint64 sizeBound)>;

// No agent is near this size; a larger download is refused before it fills the disk.
constexpr qint64 kUpdateSizeBound = qint64(256) << 20;

enum class UpgradeOutcome {
    Restarted, // the new program was proven, started and removeTrayIconAndExit called
    UpToDate,  // the published program is the running one: nothing replaced
    Refused, // not a signed program for this system (HTTP error, no or a wrong signature...) or an older one
    Failed   // a transfer or file step failed, or the downloaded program did not prove itself
};

// Refuses at once when the program's folder or the program may be written by another account, or a link
// stands where a download or the backup goes. Otherwise downloads the published agent and its signature (the
// same address with ".sig" appended) beside the executable. When a trusted key signed it, it is a program for
// this system and not the running one, and run where it lies with --version it answers (UpdateProof) with a
// version no older than the running one, it is put in place of "KOVA Oru" by renaming (the previous one kept
// as "KOVA Oru.bak"), started with `restartArguments`, and removeTrayIconAndExit is called. Nothing of the
// installed program is touched before the proof; the downloaded files are gone afterwards. Every outcome logs
// one line through appendLog.
UpgradeOutcome CheckForUpgrade(const QString& updateUrl, const QStringList& restartArguments,
                               const Downloader& download,
                               const std::function<void(const QString&)>& appendLog,
                               const std::function<void()>& removeTrayIconAndExit);

// At start-up: removes download files a stopped update left behind and, when a stop came between the two
// renames of the swap (no program, only "KOVA Oru.bak"), puts the previous program back. Returns the log line
// for a repair, or empty when there was none to make.
QString repairInterruptedUpdate();

} // namespace mdlGeneral
