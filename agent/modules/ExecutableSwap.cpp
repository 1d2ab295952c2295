#include "modules/ExecutableSwap.h"

#include <QFile>

namespace mdlGeneral {

namespace {

constexpr QFile::Permissions kProgramPermissions = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                                   QFile::ReadGroup | QFile::ExeGroup | QFile::ReadOther |
                                                   QFile::ExeOther;

std::optional<QString> deleteOldBackup(const QString& backup) {
    QFile file(backup);
    if (!file.exists() || file.remove())
        return std::nullopt;
    return QStringLiteral("the old backup %1 could not be deleted (%2)").arg(backup, file.errorString());
}

std::optional<QString> moveAside(const QString& executable, const QString& backup) {
    QFile file(executable);
    if (file.rename(backup))
        return std::nullopt;
    return QStringLiteral("%1 could not be renamed to %2 (%3)").arg(executable, backup, file.errorString());
}

std::optional<QString> putInPlace(const QString& replacement, const QString& executable) {
    QFile file(replacement);
    if (!file.rename(executable))
        return QStringLiteral("the download could not be put in place as %1 (%2)")
            .arg(executable, file.errorString());
    if (!file.setPermissions(kProgramPermissions)) {
        const QString failure =
            QStringLiteral("%1 could not be made executable (%2)").arg(executable, file.errorString());
        file.remove();
        return failure;
    }
    return std::nullopt;
}

} // namespace

std::optional<QString> swapExecutable(const QString& replacement, const QString& executable,
                                      const QString& backup) {
    if (auto failure = deleteOldBackup(backup))
        return failure;
    const bool hadExecutable = QFile::exists(executable);
    if (hadExecutable) {
        if (auto failure = moveAside(executable, backup))
            return failure;
    }
    auto failure = putInPlace(replacement, executable);
    if (failure && hadExecutable) {
        *failure += QFile::rename(backup, executable)
                        ? QStringLiteral("; the previous program was put back")
                        : QStringLiteral("; the previous program stays as %1").arg(backup);
    }
    return failure;
}

std::optional<QString> restoreBackup(const QString& executable, const QString& backup) {
    QFile failedProgram(executable);
    if (!failedProgram.remove())
        return QStringLiteral("%1 could not be removed (%2)").arg(executable, failedProgram.errorString());
    QFile previous(backup);
    if (!previous.exists() || previous.rename(executable))
        return std::nullopt;
    return QStringLiteral("the previous program could not be put back from %1 (%2)")
        .arg(backup, previous.errorString());
}

} // namespace mdlGeneral
