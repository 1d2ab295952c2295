#include "platform/ProgramRun.h"

#include <QProcess>

namespace platform {

ProgramRun runToEnd(const QString& program, const QStringList& arguments, std::chrono::milliseconds limit) {
    ProgramRun run;
    QProcess process;
    process.setStandardInputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    process.start(program, arguments);
    run.started = process.waitForStarted(int(limit.count()));
    if (!run.started) {
        run.error = process.errorString();
        return run;
    }
    if (!process.waitForFinished(int(limit.count()))) {
        run.timedOut = true;
        process.kill();
        process.waitForFinished();
        return run;
    }
    run.crashed = process.exitStatus() == QProcess::CrashExit;
    run.exitCode = process.exitCode();
    run.output = process.readAllStandardOutput();
    run.error = run.crashed ? process.errorString() : QString();
    return run;
}

} // namespace platform
