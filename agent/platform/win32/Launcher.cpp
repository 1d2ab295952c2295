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

Result<> start(const QString& program, const QStringList& arguments, WORD show) {
    std::wstring line = commandLine(program, arguments).toStdWString();
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = show;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process))
        return Result<>::failure(qt_error_string(static_cast<int>(GetLastError())));
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return Result<>::success();
}

class WindowsLauncher final : public Launcher {
public:
    Result<> startDetached(const QString& program, const QStringList& arguments) override {
        return start(program, arguments, SW_SHOWNORMAL);
    }

    Result<> startMinimised(const QString& program, const QStringList& arguments) override {
        return start(program, arguments, SW_SHOWMINIMIZED);
    }
};

} // namespace

template <> Launcher& Seam<Launcher>::real() {
    static WindowsLauncher launcher;
    return launcher;
}

Result<> openFolder(const QString& path) {
    return Seam<Launcher>::get().startMinimised(QStringLiteral("explorer.exe"),
                                                {QDir::toNativeSeparators(path)});
}

Result<> openWebSite(const QString& url) {
    return Seam<Launcher>::get().startDetached(
        QStringLiteral("c:\\program files\\internet explorer\\iexplore.exe"), {url});
}

} // namespace platform
