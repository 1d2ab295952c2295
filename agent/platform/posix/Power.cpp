#include "platform/Power.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>

namespace platform {

namespace {

constexpr int kCommandMilliseconds = 30000;

// Runs a system command to its end; a failure with its reason when it cannot start or does not succeed.
Result<> runCommand(const QString& program, const QStringList& arguments) {
    QProcess command;
    command.start(program, arguments);
    if (!command.waitForFinished(kCommandMilliseconds))
        return Result<>::failure(command.errorString());
    if (command.exitStatus() == QProcess::NormalExit && command.exitCode() == 0)
        return Result<>::success();
    return Result<>::failure(QString::fromLocal8Bit(command.readAllStandardError()).trimmed());
}

// systemd-logind restarts the machine for a process that holds the right; `interactive` false because
// nobody is there to answer an authentication prompt. The bus is reached through systemd's own client so
// that the agent's core needs no D-Bus library.
Result<> rebootThroughLogind() {
    return runCommand(QStringLiteral("busctl"),
                      {QStringLiteral("--system"), QStringLiteral("--allow-interactive-authorization=no"),
                       QStringLiteral("call"), QStringLiteral("org.freedesktop.login1"),
                       QStringLiteral("/org/freedesktop/login1"),
                       QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("Reboot"),
                       QStringLiteral("b"), QStringLiteral("false")});
}

// Without a reachable logind (no system bus, an older init) the service manager's own command remains.
Result<> rebootThroughSystemctl() {
    return runCommand(QStringLiteral("systemctl"), {QStringLiteral("reboot")});
}

class PosixPower final : public Power {
public:
    Result<> requestRestart() override {
        const Result<> logind = rebootThroughLogind();
        if (logind)
            return logind;
        const Result<> systemctl = rebootThroughSystemctl();
        if (systemctl)
            return systemctl;
        return Result<>::failure(logind.reason() + QStringLiteral("; systemctl reboot: ") +
                                 systemctl.reason());
    }

    // The kernel keeps the start as seconds since the epoch in the "btime" line of /proc/stat.
    std::optional<QDateTime> machineStarted() override {
        QFile stat(QStringLiteral("/proc/stat"));
        if (!stat.open(QIODevice::ReadOnly))
            return std::nullopt;
        static const QRegularExpression btime(QStringLiteral("^btime (\\d+)$"),
                                              QRegularExpression::MultilineOption);
        const QRegularExpressionMatch match = btime.match(QString::fromLatin1(stat.readAll()));
        if (!match.hasMatch())
            return std::nullopt;
        return QDateTime::fromSecsSinceEpoch(match.captured(1).toLongLong());
    }
};

} // namespace

template <> Power& Seam<Power>::real() {
    static PosixPower power;
    return power;
}

} // namespace platform
