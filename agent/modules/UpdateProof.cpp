#include "modules/UpdateProof.h"

#include "platform/ProgramRun.h"

using namespace std::chrono_literals;

namespace mdlGeneral {

namespace {

constexpr auto kProofLimit = 10s;
constexpr qsizetype kQuotedOutput = 60;

} // namespace

Result<> proveProgram(const QString& executable, const QString& programName) {
    const platform::ProgramRun run =
        platform::runToEnd(executable, {QStringLiteral("--version")}, kProofLimit);
    if (!run.started)
        return Result<>::failure(QStringLiteral("it cannot be started (%1)").arg(run.error));
    if (run.timedOut)
        return Result<>::failure(
            QStringLiteral("it did not answer --version within %1 seconds").arg(kProofLimit.count()));
    if (run.crashed)
        return Result<>::failure(QStringLiteral("it crashed (%1)").arg(run.error));
    if (run.exitCode != 0)
        return Result<>::failure(QStringLiteral("it ended with exit code %1").arg(run.exitCode));
    const QString firstLine = QString::fromUtf8(run.output).section(u'\n', 0, 0).trimmed();
    if (!firstLine.startsWith(programName + u' '))
        return Result<>::failure(QStringLiteral("it did not name itself %1 (\"%2\")")
                                     .arg(programName, firstLine.left(kQuotedOutput)));
    return Result<>::success();
}

} // namespace mdlGeneral
