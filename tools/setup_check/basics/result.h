// What a step of the tool that can fail hands back: the value, or the reason there is none, in
// one line of the tool's own words ready for the user. A step without a value of its own
// answers a Status. A result must be looked at: both are [[nodiscard]].
#pragma once

#include <optional>
#include <string>
#include <utility>

namespace setupcheck {

// Why a step failed; converts to any Result.
struct Failure {
    std::string reason;
};

template <typename T> class [[nodiscard]] Result {
public:
    Result(T value) : value_(std::move(value)) {}
    Result(Failure failure) : reason_(std::move(failure.reason)) {}

    bool ok() const { return value_.has_value(); }
    explicit operator bool() const { return ok(); }
    const T& operator*() const& { return *value_; }
    T& operator*() & { return *value_; }
    T&& operator*() && { return std::move(*value_); }
    const T* operator->() const { return &*value_; }
    // Empty when the step succeeded.
    const std::string& reason() const { return reason_; }

private:
    std::optional<T> value_;
    std::string reason_;
};

class [[nodiscard]] Status {
public:
    Status() = default;
    Status(Failure failure) : reason_(std::move(failure.reason)), ok_(false) {}

    bool ok() const { return ok_; }
    explicit operator bool() const { return ok_; }
    const std::string& reason() const { return reason_; }

private:
    std::string reason_;
    bool ok_ = true;
};

} // namespace setupcheck
