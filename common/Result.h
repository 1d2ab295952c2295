#pragma once

#include <QString>

#include <optional>
#include <utility>

// Why a step failed, in words an operator can act on. Returned as it stands, it becomes a failed Result of
// whatever type the function gives back: `return Failure{tr("...")};`.
struct Failure {
    QString reason;
};

// What a step that can fail gives back: its value, or the reason it failed. The one shape for every such
// step of the agent and the central server, so the reason travels to the log line, message box or HTTP
// answer that shows it. "Not found" is no failure: such steps give Result<std::optional<T>>.
template <typename T = void> class [[nodiscard]] Result {
public:
    Result(T value) : held(std::move(value)) {}
    Result(Failure failure) : why(std::move(failure.reason)) {}
    static Result failure(QString reason) { return Failure{std::move(reason)}; }

    bool ok() const { return held.has_value(); }
    explicit operator bool() const { return ok(); }
    // Empty on success.
    const QString& reason() const { return why; }

    // Only on success.
    const T& value() const& { return *held; }
    T& value() & { return *held; }
    T&& value() && { return std::move(*held); }
    const T& operator*() const& { return *held; }
    T& operator*() & { return *held; }
    const T* operator->() const { return &*held; }
    T* operator->() { return &*held; }
    T value_or(T fallback) const& { return held.value_or(std::move(fallback)); }

private:
    std::optional<T> held;
    QString why;
};

template <> class [[nodiscard]] Result<void> {
public:
    Result(Failure failure) : failed(true), why(std::move(failure.reason)) {}
    static Result success() { return Result(); }
    static Result failure(QString reason) { return Failure{std::move(reason)}; }

    bool ok() const { return !failed; }
    explicit operator bool() const { return ok(); }
    // Empty on success.
    const QString& reason() const { return why; }

private:
    Result() = default;

    bool failed = false;
    QString why;
};
