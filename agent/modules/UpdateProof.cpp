#include "modules/UpdateProof.h"

#include "platform/ProgramRun.h"

#include <optional>
#include <QList>
#include <QRegularExpression>

using namespace std::chrono_literals;

namespace mdlGeneral {

namespace {

constexpr auto kProofLimit = 10s;
constexpr qsizetype kQuotedOutput = 60;

// The three numbers of "major.minor.patch", or nothing when the text is not one.
std::optional<QList<int>> versionParts(const QString& version) {
    static const QRegularExpression form(QStringLiteral("^(\\d{1,6})\\.(\\d{1,6})\\.(\\d{1,6})$"));
    const QRegularExpressionMatch match = form.match(version);
    if (!match.hasMatch())
        return std::nullopt;
    return QList<int>{match.captured(1).toInt(), match.captured(2).toInt(), match.captured(3).toInt()};
}

} // namespace

Result<QString> proveProgram(const QString& program, const QString& programName) {
    const platform::ProgramRun run = platform::runToEnd(program, {QStringLiteral("--version")}, kProofLimit);
    if (!run.started)
        return Failure{QStringLiteral("it cannot be started (%1)").arg(run.error)};
    if (run.timedOut)
        return Failure{
            QStringLiteral("it did not answer --version within %1 seconds").arg(kProofLimit.count())};
    if (run.crashed)
        return Failure{QStringLiteral("it crashed (%1)").arg(run.error)};
    if (run.exitCode != 0)
        return Failure{QStringLiteral("it ended with exit code %1").arg(run.exitCode)};
    const QString firstLine = QString::fromUtf8(run.output).section(u'\n', 0, 0).trimmed();
    const QString version = firstLine.mid(programName.size() + 1);
    if (!firstLine.startsWith(programName + u' ') || !versionParts(version))
        return Failure{QStringLiteral("it did not name itself %1 and its version (\"%2\")")
                           .arg(programName, firstLine.left(kQuotedOutput))};
    return version;
}

bool isOlderVersion(const QString& candidate, const QString& running) {
    const auto a = versionParts(candidate);
    const auto b = versionParts(running);
    return a && b && *a < *b;
}

} // namespace mdlGeneral
