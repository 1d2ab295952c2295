#pragma once

#include "platform/Clock.h"
#include "platform/ExecutableFolder.h"
#include "platform/Power.h"
#include "platform/ProcessEnd.h"
#include "platform/SystemClock.h"
#include "platform/TransferTimeout.h"

#include <QCoreApplication>
#include <QStringList>

// Records what would have restarted the machine; it restarts nothing.
class FakePower final : public platform::Power {
public:
    bool refuse = false;
    QStringList events;

    Result<> requestRestart() override {
        events << QStringLiteral("restart");
        return refuse ? Result<>::failure(QStringLiteral("not allowed")) : Result<>::success();
    }
    std::optional<QDateTime> machineStarted() override { return std::nullopt; }
};

// Stands in for the machine's clock, which the tests never change.
class FakeSystemClock final : public platform::SystemClock {
public:
    QList<QDateTime> received;

    Result<> setLocalDateTime(const QDateTime& value) override {
        received << value;
        return Result<>::success();
    }
};

// A clock that shows the time the test pinned.
class PinnedClock final : public platform::Clock {
public:
    explicit PinnedClock(const QDateTime& pinned) : pinned(pinned) {}
    QDateTime pinned;
    QDateTime now() override { return pinned; }
};

// The executable's folder and path where the test wants them; the path stays the test program's own.
class FakeExecutableLocation final : public platform::ExecutableLocation {
public:
    explicit FakeExecutableLocation(const QString& folderPath) : folderPath(folderPath) {}
    QString folderPath;
    QString runningPath = QCoreApplication::applicationFilePath();
    QString folder() override { return folderPath; }
    QString runningExecutable() override { return runningPath; }
};

// Records the exit codes asked for; the test process runs on.
class RecordingProcessEnd final : public platform::ProcessEnd {
public:
    QList<int> codes;
    void end(int exitCode) override { codes << exitCode; }
};

// Every transfer gives up after the same short time.
class ShortTimeout final : public platform::TransferTimeout {
public:
    explicit ShortTimeout(std::chrono::milliseconds limit) : limit(limit) {}
    std::chrono::milliseconds limit;
    std::chrono::milliseconds granted(std::chrono::milliseconds) override { return limit; }
};
