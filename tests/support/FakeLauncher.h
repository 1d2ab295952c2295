#pragma once

#include "platform/Launcher.h"

// Records what would have been started; starts nothing.
class FakeLauncher final : public platform::Launcher {
public:
    struct Start {
        QString program;
        QStringList arguments;
        bool minimised;
        bool operator==(const Start&) const = default;
    };

    bool refuse = false;
    QList<Start> starts;

    Result<> startDetached(const QString& program, const QStringList& arguments) override {
        return record({program, arguments, false});
    }
    Result<> startMinimised(const QString& program, const QStringList& arguments) override {
        return record({program, arguments, true});
    }

private:
    Result<> record(const Start& start) {
        starts << start;
        return refuse ? Result<>::failure("no such program") : Result<>::success();
    }
};
