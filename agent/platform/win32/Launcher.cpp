#include "platform/Launcher.h"

#include <QDir>
#include <string>
#include <windows.h>

namespace platform {

namespace {

// CreateProcessW takes one command line; each part is quoted so that blanks in paths survive.
QString commandLine(const QString& program, const QStringList& arguments) {
    QStringList parts{QDir::toNativeSeparators(program)};
    parts += arguments;
    for (QString& part : parts) {
        if (part.contains(QLatin1Char(' ')))
            part = QLatin1Char('"') + part + QLatin1Char('"');
    }
    return parts.join(QLatin1Char(' '));
}

bool start(const QString& program, const QStringList& arguments, WORD show, QString* error) {
    std::wstring line = commandLine(program, arguments).toStdWString();
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = show;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process)) {
        *error = qt_error_string(static_cast<int>(GetLastError()));
        return false;
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return true;
}

class WindowsLauncher final : public Launcher {
public:
    bool startDetached(const QString& program, const QStringList& arguments, QString* error) override {
        return start(program, arguments, SW_SHOWNORMAL, error);
    }

    bool startMinimised(const QString& program, const QStringList& arguments, QString* error) override {
        return start(program, arguments, SW_SHOWMINIMIZED, error);
    }
};

} // namespace

template <> Launcher& Seam<Launcher>::real() {
    static WindowsLauncher launcher;
    return launcher;
}

bool openFolder(const QString& path, QString* error) {
    return Seam<Launcher>::get().startMinimised(QStringLiteral("explorer.exe"),
                                                {QDir::toNativeSeparators(path)}, error);
}

bool openWebSite(const QString& url, QString* error) {
    return Seam<Launcher>::get().startDetached(
        QStringLiteral("c:\\program files\\internet explorer\\iexplore.exe"), {url}, error);
}

} // namespace platform
