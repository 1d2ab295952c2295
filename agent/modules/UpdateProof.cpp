#include "modules/UpdateProof.h"

#include "platform/ProgramRun.h"

using namespace std::chrono_literals;

namespace mdlGeneral {

namespace {

constexpr auto kProofLimit = 10s;
constexpr qsizetype kQuotedOutput = 60;

} // namespace

std::optional<QString> proofProblem(const QString& executable, const QString& programName) {
    const platform::ProgramRun run =
        platform::runToEnd(executable, {QStringLiteral("--version")}, kProofLimit);
    if (!run.started)
        return QStringLiteral("it cannot be started (%1)").arg(run.error);
    if (run.timedOut)
        return QStringLiteral("it did not answer --version within %1 seconds").arg(kProofLimit.count());
    if (run.crashed)
        return QStringLiteral("it crashed (%1)").arg(run.error);
    if (run.exitCode != 0)
        return QStringLiteral("it ended with exit code %1").arg(run.exitCode);
    const QString firstLine = QString::fromUtf8(run.output).section(u'\n', 0, 0).trimmed();
    if (!firstLine.startsWith(programName + u' '))
        return QStringLiteral("it did not name itself %1 (\"%2\")")
            .arg(programName, firstLine.left(kQuotedOutput));
    return std::nullopt;
}

} // namespace mdlGeneral
