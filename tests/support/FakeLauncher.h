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

    bool startDetached(const QString& program, const QStringList& arguments, QString* error) override {
        return record({program, arguments, false}, error);
    }
    bool startMinimised(const QString& program, const QStringList& arguments, QString* error) override {
        return record({program, arguments, true}, error);
    }

private:
    bool record(const Start& start, QString* error) {
        starts << start;
        if (refuse)
            *error = "no such program";
        return !refuse;
    }
};
