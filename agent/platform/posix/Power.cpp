#include "platform/Power.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>

namespace platform {

namespace {

// systemd-logind restarts the machine for a process that holds the right; `interactive` false because
// nobody is there to answer an authentication prompt.
bool rebootThroughLogind(QString* error) {
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
        QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("Reboot"));
    call << false;
    const QDBusMessage reply = QDBusConnection::systemBus().call(call);
    if (reply.type() != QDBusMessage::ErrorMessage)
        return true;
    *error = reply.errorMessage();
    return false;
}

// Without a reachable logind (no system bus, an older init) the service manager's own command remains.
bool rebootThroughSystemctl(QString* error) {
    QProcess systemctl;
    systemctl.start(QStringLiteral("systemctl"), {QStringLiteral("reboot")});
    if (!systemctl.waitForFinished(30000)) {
        *error = systemctl.errorString();
        return false;
    }
    if (systemctl.exitStatus() == QProcess::NormalExit && systemctl.exitCode() == 0)
        return true;
    *error = QString::fromLocal8Bit(systemctl.readAllStandardError()).trimmed();
    return false;
}

class PosixPower final : public Power {
public:
    bool requestRestart(QString* error) override {
        QString logindError;
        if (rebootThroughLogind(&logindError))
            return true;
        QString systemctlError;
        if (rebootThroughSystemctl(&systemctlError))
            return true;
        *error = logindError + QStringLiteral("; systemctl reboot: ") + systemctlError;
        return false;
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
