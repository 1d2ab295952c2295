#include "platform/ExecutableFolder.h"

#include <QCoreApplication>

namespace platform {

namespace {

class ApplicationLocation final : public ExecutableLocation {
public:
    QString folder() override { return QCoreApplication::applicationDirPath(); }
    QString runningExecutable() override { return QCoreApplication::applicationFilePath(); }
};

} // namespace

template <> ExecutableLocation& Seam<ExecutableLocation>::real() {
    static ApplicationLocation location;
    return location;
}

QString executableFolder() {
    return Seam<ExecutableLocation>::get().folder();
}

QString runningExecutable() {
    return Seam<ExecutableLocation>::get().runningExecutable();
}

QString executableFileName(const QString& baseName) {
#ifdef Q_OS_WIN
    return baseName + QStringLiteral(".exe");
#else
    return baseName;
#endif
}

} // namespace platform
