#include "modules/SelfUpdate.h"

#include "Endpoints.h"
#include "modules/AgentConfig.h"
#include "modules/ExecutableSwap.h"
#include "modules/LogLines.h"
#include "modules/UpdateProof.h"
#include "modules/UpdateSignature.h"
#include "platform/ExecutableFolder.h"
#include "platform/ExecutableFormat.h"
#include "platform/Launcher.h"
#include "platform/PrivateFile.h"

#include <optional>
#include <QFile>
#include <QFileInfo>

namespace mdlGeneral {

namespace {

const QString kAgentName = QStringLiteral(KOVA_AGENT_NAME);
constexpr qint64 kCompareChunk = 1 << 16;

struct UpdateFiles {
    QString folder;
    QString executable;
    QString backup;
    QString download;
    QString signature;
    QString running;
};

struct Verdict {
    UpgradeOutcome outcome;
    QString logLine;
};

UpdateFiles updateFiles() {
    const QString folder = platform::executableFolder() + QLatin1Char('/');
    return {platform::executableFolder(),
            folder + platform::executableFileName(kAgentName),
            folder + kAgentName + QStringLiteral(".bak"),
            folder + kAgentName + QStringLiteral(".download"),
            folder + kAgentName + QStringLiteral(".download") + wire::kSignatureSuffix,
            platform::runningExecutable()};
}

Verdict failed(const QString& why) {
    return {UpgradeOutcome::Failed, QStringLiteral("Update failed: ") + why + QLatin1Char('.')};
}

Verdict refused(const QString& why) {
    return {UpgradeOutcome::Refused, QStringLiteral("Update refused: ") + why + QLatin1Char('.')};
}

// Root runs the update: nothing another account can write may steer it. A link where it writes a file, or a
// folder or program that others may change, stops it before anything is fetched.
std::optional<Verdict> safetyProblem(const UpdateFiles& files) {
    for (const QString& path : {files.folder, files.executable})
        if (platform::othersMayWrite(path))
            return refused(QStringLiteral("%1 may be changed by other users than the one running %2; make it "
                                          "writable by that user alone")
                               .arg(path, kAgentName));
    for (const QString& path : {files.download, files.signature, files.backup})
        if (QFileInfo(path).isSymLink())
            return refused(QStringLiteral("%1 is a link; an update writes no file through one").arg(path));
    return std::nullopt;
}

bool sameContents(const QString& first, const QString& second) {
    QFile a(first);
    QFile b(second);
    if (!a.open(QIODevice::ReadOnly) || !b.open(QIODevice::ReadOnly) || a.size() != b.size())
        return false;
    while (!a.atEnd()) {
        if (a.read(kCompareChunk) != b.read(kCompareChunk))
            return false;
    }
    return true;
}

// A transfer that brought no whole answer or an HTTP error; `what` names what was fetched.
std::optional<Verdict> transferProblem(const DownloadResult& result, const QString& what) {
    if (result.httpStatus != 200 && result.httpStatus != 0)
        return refused(
            QStringLiteral("the update server answered HTTP %1 for %2").arg(result.httpStatus).arg(what));
    if (result.httpStatus != 200 || !result.errorText.isEmpty()) {
        const QString reason = result.errorText.isEmpty() ? QStringLiteral("no answer") : result.errorText;
        return failed(QStringLiteral("%1 could not be fetched whole (%2)").arg(what, reason));
    }
    return std::nullopt;
}

// Whatever stops the download from replacing the executable; nullopt when it may.
std::optional<Verdict> downloadProblem(const UpdateFiles& files) {
    if (QFile(files.download).size() == 0)
        return refused(QStringLiteral("the download is empty"));
    if (const Result<> verified = verifySignature(files.download, files.signature); !verified)
        return refused(verified.reason());
    if (!platform::isNativeExecutable(files.download))
        return refused(QStringLiteral("the download is not a program for this system"));
    // Never an update loop: the published program that already runs is not installed and started again.
    if (sameContents(files.download, files.running))
        return Verdict{UpgradeOutcome::UpToDate, kAgentName + QStringLiteral(" is up to date.")};
    return std::nullopt;
}

std::optional<Verdict> fetchProblem(const QString& updateUrl, const Downloader& download,
                                    const UpdateFiles& files) {
    if (auto problem = transferProblem(download(updateUrl, files.download, kUpdateSizeBound),
                                       QStringLiteral("the program")))
        return problem;
    return transferProblem(download(updateUrl + wire::kSignatureSuffix, files.signature, kSignatureSize),
                           QStringLiteral("its signature"));
}

// The download runs once where it lies, before anything of the installed program is touched, and must name a
// version no older than the running one: a validly signed old build is no update.
std::optional<Verdict> proofProblem(const UpdateFiles& files) {
    if (const Result<> runnable = makeRunnable(files.download); !runnable)
        return failed(runnable.reason());
    const Result<QString> proven = proveProgram(files.download, kAgentName);
    if (!proven)
        return failed(QStringLiteral("the downloaded %1 did not prove itself: %2")
                          .arg(files.download, proven.reason()));
    if (isOlderVersion(*proven, agentVersionText()))
        return refused(
            QStringLiteral("version %1 is older than the running %2").arg(*proven, agentVersionText()));
    return std::nullopt;
}

void removeDownloads(const UpdateFiles& files) {
    QFile::remove(files.signature);
    QFile::remove(files.download);
}

Verdict fetchAndInstall(const QString& updateUrl, const QStringList& restartArguments,
                        const Downloader& download, const UpdateFiles& files) {
    if (auto problem = safetyProblem(files))
        return *problem;
    removeDownloads(files); // what a stop left; the download creates its files anew
    if (auto problem = fetchProblem(updateUrl, download, files))
        return *problem;
    if (auto problem = downloadProblem(files))
        return *problem;
    if (auto problem = proofProblem(files))
        return *problem;
    if (const Result<> swapped = swapExecutable(files.download, files.executable, files.backup); !swapped)
        return failed(swapped.reason());
    if (const Result<> started =
            platform::Seam<platform::Launcher>::get().startDetached(files.executable, restartArguments);
        !started)
        return failed(
            QStringLiteral("the new %1 could not be started (%2)").arg(files.executable, started.reason()));
    return {
        UpgradeOutcome::Restarted,
        QStringLiteral("Update installed: the new %1 answered --version and was started.").arg(kAgentName)};
}

} // namespace

UpgradeOutcome CheckForUpgrade(const QString& updateUrl, const QStringList& restartArguments,
                               const Downloader& download,
                               const std::function<void(const QString&)>& appendLog,
                               const std::function<void()>& removeTrayIconAndExit) {
    const UpdateFiles files = updateFiles();
    const Verdict verdict = fetchAndInstall(updateUrl, restartArguments, download, files);
    removeDownloads(files);
    // The line names files in the program's folder and quotes the new program: one line whatever they hold.
    appendLog(escapeControlCharacters(verdict.logLine));
    if (verdict.outcome == UpgradeOutcome::Restarted)
        removeTrayIconAndExit();
    return verdict.outcome;
}

QString repairInterruptedUpdate() {
    const UpdateFiles files = updateFiles();
    removeDownloads(files);
    if (QFile::exists(files.executable) || !QFile::exists(files.backup))
        return {};
    QFile backup(files.backup);
    if (!backup.rename(files.executable))
        return escapeControlCharacters(
            QStringLiteral("An interrupted update left no program: %1 could not be put back as %2 (%3).")
                .arg(files.backup, files.executable, backup.errorString()));
    return escapeControlCharacters(
        QStringLiteral("An interrupted update was taken back: %1 is the previous program again.")
            .arg(files.executable));
}

} // namespace mdlGeneral
