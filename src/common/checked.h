#pragma once

#include <concepts>
#include <string>
#include <utility>

#include "common/error.h"

// Overflow-checked arithmetic for the 16- and 32-bit fields of the binary formats. An overflow
// is a failure of the operation, reported with what was being computed, never a wrap-around.
namespace gw::checked {

[[noreturn]] inline void overflow(const std::string& what) {
    throw Error("overflow: " + what + " does not fit its field");
}

template <std::integral To, std::integral From> To narrow(From value, const std::string& what) {
    if (!std::in_range<To>(value)) {
        overflow(what);
    }
    return static_cast<To>(value);
}

template <std::integral T> T add(T a, T b, const std::string& what) {
    T result;
    if (__builtin_add_overflow(a, b, &result)) {
        overflow(what);
    }
    return result;
}

template <std::integral T> T sub(T a, T b, const std::string& what) {
    T result;
    if (__builtin_sub_overflow(a, b, &result)) {
        overflow(what);
    }
    return result;
}

template <std::integral T> T mul(T a, T b, const std::string& what) {
    T result;
    if (__builtin_mul_overflow(a, b, &result)) {
        overflow(what);
    }
    return result;
}

} // namespace gw::checked
