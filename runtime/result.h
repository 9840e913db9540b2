#pragma once

#include <concepts>
#include <optional>
#include <string>
#include <utility>
#include <variant>

namespace ostrel {

// Why a step failed: the system's words, or the operator's for a file that
// cannot be read exactly.
struct Failure
{
    std::string reason;
};

// What a step gives, or why it failed. Failures are handed up as values and
// reported once, where the run meets the operator. Running out of memory
// alone is thrown (std::bad_alloc): any allocation may meet it.
template <class T>
class [[nodiscard]] Result
{
public:
    template <class U>
        requires std::constructible_from<T, U &&>
    Result(U &&value) : held(std::in_place_index<0>, std::forward<U>(value))
    {
    }
    Result(Failure failure) : held(std::in_place_index<1>, std::move(failure)) {}

    explicit operator bool() const { return held.index() == 0; }
    T &operator*() { return std::get<0>(held); }
    const T &operator*() const { return std::get<0>(held); }
    T *operator->() { return &std::get<0>(held); }
    const T *operator->() const { return &std::get<0>(held); }
    const Failure &failure() const { return std::get<1>(held); }
    const std::string &reason() const { return failure().reason; }

private:
    std::variant<T, Failure> held;
};

// A step that gives nothing but may fail.
template <>
class [[nodiscard]] Result<void>
{
public:
    Result() = default;
    Result(Failure failure) : failed(std::move(failure)) {}

    explicit operator bool() const { return !failed; }
    const Failure &failure() const { return *failed; }
    const std::string &reason() const { return failed->reason; }

private:
    std::optional<Failure> failed;
};

} // namespace ostrel
