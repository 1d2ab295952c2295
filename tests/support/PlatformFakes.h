#pragma once

#include "forms/NotificationArea.h"
#include "platform/Power.h"
#include "platform/SystemClock.h"

#include <QStringList>

// Records what would have restarted the machine; it restarts nothing.
class FakePower final : public platform::Power {
public:
    bool refuse = false;
    QStringList events;

    bool requestRestart(QString* error) override {
        events << QStringLiteral("restart");
        if (refuse)
            *error = QStringLiteral("not allowed");
        return !refuse;
    }
    std::optional<QDateTime> machineStarted() override { return std::nullopt; }
};

// Stands in for the machine's clock, which the tests never change.
class FakeSystemClock final : public platform::SystemClock {
public:
    QList<QDateTime> received;

    bool setLocalDateTime(const QDateTime& value, QString*) override {
        received << value;
        return true;
    }
};

// A desktop with or without a notification area.
class FakeNotificationArea final : public platform::NotificationArea {
public:
    bool present = true;
    bool available() override { return present; }
};
