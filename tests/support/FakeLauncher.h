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

    platform::Result startDetached(const QString& program, const QStringList& arguments) override {
        return record({program, arguments, false});
    }
    platform::Result startMinimised(const QString& program, const QStringList& arguments) override {
        return record({program, arguments, true});
    }

private:
    platform::Result record(const Start& start) {
        starts << start;
        return refuse ? platform::Result::failure("no such program") : platform::Result::success();
    }
};
