#pragma once

#include <QString>
#include <utility>

namespace platform {

// What a step that can fail gives back: success, or failure with the reason in words an operator can act
// on. The one shape for every such step of the agent, so the reason travels to the log line or message box
// that shows it.
class [[nodiscard]] Result {
public:
    static Result success() { return Result(); }
    static Result failure(QString reason) { return Result(std::move(reason)); }

    bool ok() const { return !failed; }
    explicit operator bool() const { return ok(); }
    // Empty on success.
    const QString& reason() const { return why; }

private:
    Result() = default;
    explicit Result(QString reason) : failed(true), why(std::move(reason)) {}

    bool failed = false;
    QString why;
};

} // namespace platform
