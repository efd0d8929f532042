#pragma once

#include "base/Failure.h"

#include <cassert>
#include <optional>
#include <utility>
#include <variant>

namespace orvane {

// Outcome of a step that yields nothing: ok, or a failure.
class [[nodiscard]] Status {
public:
    Status() = default;
    Status(Failure failure) : failure_(std::move(failure)) { } // NOLINT: implicit by design

    bool ok() const { return !failure_.has_value(); }
    const Failure& failure() const
    {
        assert(failure_);
        return *failure_;
    }

private:
    std::optional<Failure> failure_;
};

// Outcome of a step that yields a value: the value, or a failure.
template <typename T> class [[nodiscard]] Result {
public:
    Result(T value) : v_(std::in_place_index<0>, std::move(value)) { }           // NOLINT
    Result(Failure failure) : v_(std::in_place_index<1>, std::move(failure)) { } // NOLINT

    bool ok() const { return v_.index() == 0; }
    const T& value() const&
    {
        assert(ok());
        return std::get<0>(v_);
    }
    T& value() &
    {
        assert(ok());
        return std::get<0>(v_);
    }
    T&& value() &&
    {
        assert(ok());
        return std::get<0>(std::move(v_));
    }
    const Failure& failure() const
    {
        assert(!ok());
        return std::get<1>(v_);
    }
    Status status() const { return ok() ? Status() : Status(failure()); }

private:
    std::variant<T, Failure> v_;
};

} // namespace orvane
