#include "platform/Launcher.h"

#include <QProcess>

namespace platform {

namespace {

class PosixLauncher final : public Launcher {
public:
    Result<> startDetached(const QString& program, const QStringList& arguments) override {
        QProcess process;
        process.setProgram(program);
        process.setArguments(arguments);
        if (process.startDetached())
            return Result<>::success();
        return Result<>::failure(process.errorString());
    }

    // A window manager decides how new windows appear; there is no portable way to ask for a minimised one.
    Result<> startMinimised(const QString& program, const QStringList& arguments) override {
        return startDetached(program, arguments);
    }
};

// The desktop's opener picks the file manager or browser the user chose.
const QString kOpener = QStringLiteral("xdg-open");

} // namespace

template <> Launcher& Seam<Launcher>::real() {
    static PosixLauncher launcher;
    return launcher;
}

Result<> openFolder(const QString& path) {
    return Seam<Launcher>::get().startDetached(kOpener, {path});
}

Result<> openWebSite(const QString& url) {
    return Seam<Launcher>::get().startDetached(kOpener, {url});
}

} // namespace platform
