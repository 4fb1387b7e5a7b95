#pragma once
// The outcome of an operation that can fail: its value, or an error text with fixed wording.
#include <string>
#include <utility>
#include <variant>

namespace cuevoice {

// An error text on its way into a Result; `return Error{"..."};` works for any Result<T>.
struct Error {
    std::string text;
};

template <typename T> class [[nodiscard]] Result {
public:
    Result(T value) : state_(std::in_place_index<0>, std::move(value)) {}
    Result(Error error) : state_(std::in_place_index<1>, std::move(error.text)) {}

    bool ok() const { return state_.index() == 0; }
    explicit operator bool() const { return ok(); }

    // Only valid when ok().
    const T& value() const& { return std::get<0>(state_); }
    T& value() & { return std::get<0>(state_); }
    T&& value() && { return std::get<0>(std::move(state_)); }
    const T& operator*() const& { return value(); }
    T& operator*() & { return value(); }
    const T* operator->() const { return &value(); }
    T* operator->() { return &value(); }

    // Only valid when !ok().
    const std::string& error() const { return std::get<1>(state_); }

private:
    std::variant<T, std::string> state_;
};

// For operations that either succeed with nothing to give back, or fail with a text.
template <> class [[nodiscard]] Result<void> {
public:
    Result() = default;
    Result(Error error) : error_(std::move(error.text)), failed_(true) {}

    bool ok() const { return !failed_; }
    explicit operator bool() const { return ok(); }
    const std::string& error() const { return error_; }

private:
    std::string error_;
    bool failed_ = false;
};

} // namespace cuevoice
