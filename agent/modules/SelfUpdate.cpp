#include "modules/SelfUpdate.h"

#include "modules/ExecutableSwap.h"
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
    QString running;
};

struct Verdict {
    UpgradeOutcome outcome;
    QString logLine;
};

UpdateFiles updateFiles() {
    const QString folder = platform::executableFolder() + QLatin1Char('/');
    return {folder + platform::executableFileName(kAgentName), folder + kAgentName + QStringLiteral(".bak"),
            folder + kAgentName + QStringLiteral(".download"), platform::runningExecutable()};
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

// Whatever stops the download from replacing the executable; nullopt when it may.
std::optional<Verdict> downloadProblem(const DownloadResult& result, const UpdateFiles& files) {
    if (result.httpStatus != 200 && result.httpStatus != 0)
        return refused(QStringLiteral("the update server answered HTTP %1").arg(result.httpStatus));
    if (result.httpStatus != 200 || !result.errorText.isEmpty()) {
        const QString reason = result.errorText.isEmpty() ? QStringLiteral("no answer") : result.errorText;
        return failed(QStringLiteral("the download did not complete (%1)").arg(reason));
    }
    if (QFile(files.download).size() == 0)
        return refused(QStringLiteral("the download is empty"));
    if (!platform::isNativeExecutable(files.download))
        return refused(QStringLiteral("the download is not a program for this system"));
    // Never an update loop: the published program that already runs is not installed and started again.
    if (sameContents(files.download, files.running))
        return Verdict{UpgradeOutcome::UpToDate, kAgentName + QStringLiteral(" is up to date.")};
    return std::nullopt;
}

Verdict fetchAndInstall(const QString& updateUrl, const Downloader& download, const UpdateFiles& files) {
    if (auto problem = createDownloadFile(files.download))
        return *problem;
    if (auto problem = downloadProblem(download(updateUrl, files.download), files))
        return *problem;
    if (auto failure = swapExecutable(files.download, files.executable, files.backup))
        return failed(*failure);
    QString error;
    if (!platform::Seam<platform::Launcher>::get().startDetached(files.executable, {}, &error))
        return failed(QStringLiteral("the new %1 could not be started (%2)").arg(files.executable, error));
    return {UpgradeOutcome::Restarted, QString()};
}

} // namespace

UpgradeOutcome CheckForUpgrade(const QString& updateUrl, const Downloader& download,
                               const std::function<void(const QString&)>& appendLog,
                               const std::function<void()>& removeTrayIconAndExit) {
    const UpdateFiles files = updateFiles();
    const Verdict verdict = fetchAndInstall(updateUrl, download, files);
    if (verdict.outcome == UpgradeOutcome::Restarted) {
        removeTrayIconAndExit();
        return verdict.outcome;
    }
    QFile::remove(files.download);
    appendLog(verdict.logLine);
    return verdict.outcome;
}

} // namespace mdlGeneral
