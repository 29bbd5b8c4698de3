#pragma once

#include "common/error.h"

#include <concepts>
#include <string>
#include <string_view>
#include <utility>

// Overflow-checked arithmetic for the 16- and 32-bit fields of the binary formats. An overflow
// is a failure of the operation, reported with what was being computed, never a wrap-around.
namespace gw::checked {

// what names the value; it is a view, so that the checks that pass (nearly all) make no text.
[[noreturn]] inline void Overflow(std::string_view what) {
    throw Error("overflow: " + std::string(what) + " does not fit its field");
}

template <std::integral To, std::integral From> To Narrow(From value, std::string_view what) {
    if (!std::in_range<To>(value)) {
        Overflow(what);
    }
    return static_cast<To>(value);
}

template <std::integral T> T Add(T a, T b, std::string_view what) {
    T result;
    if (__builtin_add_overflow(a, b, &result)) {
        Overflow(what);
    }
    return result;
}

template <std::integral T> T Sub(T a, T b, std::string_view what) {
    T result;
    if (__builtin_sub_overflow(a, b, &result)) {
        Overflow(what);
    }
    return result;
}

template <std::integral T> T Mul(T a, T b, std::string_view what) {
    T result;
    if (__builtin_mul_overflow(a, b, &result)) {
        Overflow(what);
    }
    return result;
}

} // namespace gw::checked
