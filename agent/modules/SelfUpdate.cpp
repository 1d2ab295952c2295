#include "modules/SelfUpdate.h"

#include "Endpoints.h"
#include "modules/ExecutableSwap.h"
#include "modules/UpdateProof.h"
#include "modules/UpdateSignature.h"
#include "platform/ExecutableFolder.h"
#include "platform/ExecutableFormat.h"
#include "platform/Launcher.h"

#include <optional>
#include <QFile>

namespace mdlGeneral {

namespace {

const QString kAgentName = QStringLiteral(KOVA_AGENT_NAME);
constexpr qint64 kCompareChunk = 1 << 16;

struct UpdateFiles {
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
    return {folder + platform::executableFileName(kAgentName), folder + kAgentName + QStringLiteral(".bak"),
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

// An unwritable folder shows before anything is fetched.
std::optional<Verdict> createDownloadFile(const QString& path) {
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return std::nullopt;
    return failed(QStringLiteral("cannot write %1 (%2)").arg(path, file.errorString()));
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
        return failed(QStringLiteral("%1 did not arrive whole (%2)").arg(what, reason));
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
    if (auto problem = createDownloadFile(files.download))
        return problem;
    if (auto problem = transferProblem(download(updateUrl, files.download, kUpdateSizeBound),
                                       QStringLiteral("the program")))
        return problem;
    return transferProblem(download(updateUrl + wire::kSignatureSuffix, files.signature, kSignatureSize),
                           QStringLiteral("its signature"));
}

// The swapped-in program runs once before the previous one is given up for it.
std::optional<Verdict> provenOrTakenBack(const UpdateFiles& files) {
    const Result<> proven = proveProgram(files.executable, kAgentName);
    if (proven)
        return std::nullopt;
    const QString why =
        QStringLiteral("the new %1 did not prove itself: %2").arg(files.executable, proven.reason());
    if (const Result<> restored = restoreBackup(files.executable, files.backup); !restored)
        return failed(why + QStringLiteral("; ") + restored.reason());
    return failed(why + QStringLiteral("; the previous program was put back"));
}

Verdict fetchAndInstall(const QString& updateUrl, const QStringList& restartArguments,
                        const Downloader& download, const UpdateFiles& files) {
    if (auto problem = fetchProblem(updateUrl, download, files))
        return *problem;
    if (auto problem = downloadProblem(files))
        return *problem;
    if (const Result<> swapped = swapExecutable(files.download, files.executable, files.backup); !swapped)
        return failed(swapped.reason());
    if (auto problem = provenOrTakenBack(files))
        return *problem;
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
    QFile::remove(files.signature);
    QFile::remove(files.download);
    appendLog(verdict.logLine);
    if (verdict.outcome == UpgradeOutcome::Restarted)
        removeTrayIconAndExit();
    return verdict.outcome;
}

} // namespace mdlGeneral
