#include "modules/ExecutableSwap.h"

#include "platform/ProgramReplacement.h"

#include <QFile>

#include <filesystem>

namespace mdlGeneral {

namespace {

constexpr QFile::Permissions kProgramPermissions = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                                   QFile::ReadGroup | QFile::ExeGroup | QFile::ReadOther |
                                                   QFile::ExeOther;

Result<> deleteOldBackup(const QString& backup) {
    QFile file(backup);
    if (!file.exists() || file.remove())
        return Result<>::success();
    return Result<>::failure(
        QStringLiteral("the old backup %1 could not be deleted (%2)").arg(backup, file.errorString()));
}

Result<> moveAside(const QString& executable, const QString& backup) {
    QFile file(executable);
    if (file.rename(backup))
        return Result<>::success();
    return Result<>::failure(
        QStringLiteral("%1 could not be renamed to %2 (%3)").arg(executable, backup, file.errorString()));
}

Result<> putInPlace(const QString& replacement, const QString& executable) {
    QFile file(replacement);
    if (!file.rename(executable))
        return Result<>::failure(QStringLiteral("the download could not be put in place as %1 (%2)")
                                     .arg(executable, file.errorString()));
    return Result<>::success();
}

// The old program keeps a second name, then the new one takes over the name in one step: the name never
// stands empty, not even when the agent is stopped (or the power fails) between the two.
Result<> replaceInOneStep(const QString& replacement, const QString& executable, const QString& backup) {
    std::error_code error;
    std::filesystem::create_hard_link(executable.toStdU16String(), backup.toStdU16String(), error);
    if (error)
        return Result<>::failure(QStringLiteral("%1 could not be kept as %2 (%3)")
                                     .arg(executable, backup, QString::fromStdString(error.message())));
    std::filesystem::rename(replacement.toStdU16String(), executable.toStdU16String(), error);
    if (error)
        return Result<>::failure(QStringLiteral("the download could not be put in place as %1 (%2)")
                                     .arg(executable, QString::fromStdString(error.message())));
    return Result<>::success();
}

} // namespace

Result<> swapExecutable(const QString& replacement, const QString& executable, const QString& backup) {
    if (Result<> deleted = deleteOldBackup(backup); !deleted)
        return deleted;
    const bool hadExecutable = QFile::exists(executable);
    if (hadExecutable && platform::canReplaceRunningProgram())
        return replaceInOneStep(replacement, executable, backup);
    if (hadExecutable) {
        if (Result<> moved = moveAside(executable, backup); !moved)
            return moved;
    }
    Result<> placed = putInPlace(replacement, executable);
    if (placed || !hadExecutable)
        return placed;
    return Result<>::failure(placed.reason() +
                             (QFile::rename(backup, executable)
                                  ? QStringLiteral("; the previous program was put back")
                                  : QStringLiteral("; the previous program stays as %1").arg(backup)));
}

Result<> makeRunnable(const QString& program) {
    QFile file(program);
    if (file.setPermissions(kProgramPermissions))
        return Result<>::success();
    return Result<>::failure(
        QStringLiteral("%1 could not be made executable (%2)").arg(program, file.errorString()));
}

} // namespace mdlGeneral
