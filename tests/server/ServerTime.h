#pragma once

#include "domain/ServerClock.h"

#include <functional>

// Puts the server's clock in the test's hands while it lives: every reading asks `read`.
class ServerTime final : public server::Clock {
public:
    explicit ServerTime(std::function<QDateTime()> read) : read(std::move(read)) {}
    QDateTime now() override { return read(); }

private:
    std::function<QDateTime()> read;
    platform::ScopedFake<server::Clock> installed{*this};
};
