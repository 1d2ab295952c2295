#include "platform/Launcher.h"

#include <QProcess>

namespace platform {

namespace {

class PosixLauncher final : public Launcher {
public:
    bool startDetached(const QString& program, const QStringList& arguments, QString* error) override {
        QProcess process;
        process.setProgram(program);
        process.setArguments(arguments);
        if (process.startDetached())
            return true;
        *error = process.errorString();
        return false;
    }

    // A window manager decides how new windows appear; there is no portable way to ask for a minimised one.
    bool startMinimised(const QString& program, const QStringList& arguments, QString* error) override {
        return startDetached(program, arguments, error);
    }
};

// The desktop's opener picks the file manager or browser the user chose.
const QString kOpener = QStringLiteral("xdg-open");

} // namespace

template <> Launcher& Seam<Launcher>::real() {
    static PosixLauncher launcher;
    return launcher;
}

bool openFolder(const QString& path, QString* error) {
    return Seam<Launcher>::get().startDetached(kOpener, {path}, error);
}

bool openWebSite(const QString& url, QString* error) {
    return Seam<Launcher>::get().startDetached(kOpener, {url}, error);
}

} // namespace platform
