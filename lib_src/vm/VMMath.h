// Java arithmetic that C++ leaves undefined or different. Addition,
// subtraction and multiplication wrap through -fwrapv; the rest goes through
// these helpers.
#pragma once

#include <cmath>
#include <limits>
#include <type_traits>

#include "VMTypes.h"

[[noreturn]] void vmThrowDivideByZero();

template <class T>
inline T vmDiv(T a, T b) {
    static_assert(std::is_same_v<T, jint> || std::is_same_v<T, jlong>);
    if (WREN_UNLIKELY(b == 0)) vmThrowDivideByZero();
    if (WREN_UNLIKELY(b == -1)) return T(0) - a;  // MIN / -1 wraps to MIN
    return a / b;
}
template <class T>
inline T vmRem(T a, T b) {
    static_assert(std::is_same_v<T, jint> || std::is_same_v<T, jlong>);
    if (WREN_UNLIKELY(b == 0)) vmThrowDivideByZero();
    if (WREN_UNLIKELY(b == -1)) return 0;
    return a % b;
}

// Shifts use the low 5 (int) or 6 (long) bits of the count.
inline jint vmShl(jint a, jint n) { return jint(uint32_t(a) << (n & 31)); }
inline jint vmShr(jint a, jint n) { return a >> (n & 31); }
inline jint vmUshr(jint a, jint n) { return jint(uint32_t(a) >> (n & 31)); }
inline jlong vmShl(jlong a, jint n) { return jlong(uint64_t(a) << (n & 63)); }
inline jlong vmShr(jlong a, jint n) { return a >> (n & 63); }
inline jlong vmUshr(jlong a, jint n) { return jlong(uint64_t(a) >> (n & 63)); }

// Floating-point to integer conversions saturate, and NaN becomes 0.
template <class I, class F>
inline I vmFloatToInt(F f) {
    if (std::isnan(f)) return 0;
    if (f <= F(std::numeric_limits<I>::min())) return std::numeric_limits<I>::min();
    if (f >= F(std::numeric_limits<I>::max())) return std::numeric_limits<I>::max();
    return I(f);
}
inline jint vmD2I(jdouble d) { return vmFloatToInt<jint>(d); }
inline jlong vmD2L(jdouble d) { return vmFloatToInt<jlong>(d); }
inline jint vmF2I(jfloat f) { return vmFloatToInt<jint>(f); }
inline jlong vmF2L(jfloat f) { return vmFloatToInt<jlong>(f); }

// Floating-point remainder as Java's % (fmod semantics).
inline jdouble vmRem(jdouble a, jdouble b) { return std::fmod(a, b); }
inline jfloat vmRem(jfloat a, jfloat b) { return std::fmod(a, b); }
