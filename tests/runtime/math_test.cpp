// Java arithmetic helpers: division and remainder, shifts, and
// floating-point to integer conversions.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "VMMath.h"
#include "runtime/runtime_test_support.h"

namespace {

constexpr jint kIntMin = std::numeric_limits<jint>::min();
constexpr jint kIntMax = std::numeric_limits<jint>::max();
constexpr jlong kLongMin = std::numeric_limits<jlong>::min();
constexpr jlong kLongMax = std::numeric_limits<jlong>::max();

template <class T>
struct DivCase {
    T a, b, quotient, remainder;
};

TEST(JavaMath, IntDivisionAndRemainder) {
    const DivCase<jint> cases[] = {
        {7, 2, 3, 1},
        {-7, 2, -3, -1},
        {7, -2, -3, 1},
        {-7, -2, 3, -1},
        {0, 5, 0, 0},
        {5, -1, -5, 0},
        {0, -1, 0, 0},
        {kIntMin, -1, kIntMin, 0},  // wraps
        {kIntMin, 1, kIntMin, 0},
        {kIntMax, -1, -kIntMax, 0},
        {kIntMin, 2, kIntMin / 2, 0},
        {kIntMin, kIntMax, -1, -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.a << " / " << c.b);
        EXPECT_EQ(vmDiv(c.a, c.b), c.quotient);
        EXPECT_EQ(vmRem(c.a, c.b), c.remainder);
    }
}

TEST(JavaMath, LongDivisionAndRemainder) {
    const DivCase<jlong> cases[] = {
        {7, 2, 3, 1},
        {-7, 2, -3, -1},
        {7, -2, -3, 1},
        {-7, -2, 3, -1},
        {kLongMin, -1, kLongMin, 0},  // wraps
        {kLongMax, -1, -kLongMax, 0},
        {kLongMin, kLongMax, -1, -1},
        {jlong(1) << 40, 3, 366503875925, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.a << " / " << c.b);
        EXPECT_EQ(vmDiv(c.a, c.b), c.quotient);
        EXPECT_EQ(vmRem(c.a, c.b), c.remainder);
    }
}

TEST(JavaMath, DivisionByZeroThrowsArithmeticException) {
    struct Case {
        const char* what;
        void (*op)();
    };
    const Case cases[] = {
        {"int /", [] { (void)vmDiv(jint(1), jint(0)); }},
        {"int %", [] { (void)vmRem(jint(1), jint(0)); }},
        {"int MIN / 0", [] { (void)vmDiv(kIntMin, jint(0)); }},
        {"long /", [] { (void)vmDiv(jlong(1), jlong(0)); }},
        {"long %", [] { (void)vmRem(jlong(0), jlong(0)); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        VMPtr<java::lang::Throwable> t = wrentest::thrownBy(c.op);
        EXPECT_EQ(wrentest::classNameOf(t), "java.lang.ArithmeticException");
        if (t) {
            EXPECT_EQ(wrentest::text(t->getMessage()), "/ by zero");
        }
    }
    // Floating-point remainder does not throw.
    EXPECT_TRUE(std::isnan(vmRem(1.0, 0.0)));
    EXPECT_TRUE(std::isnan(vmRem(1.0f, 0.0f)));
    EXPECT_EQ(vmRem(5.5, 2.0), 1.5);
    EXPECT_EQ(vmRem(-5.5, 2.0), -1.5);
    EXPECT_EQ(vmRem(5.5f, -2.0f), 1.5f);
}

TEST(JavaMath, IntShiftsMaskTheCount) {
    struct Case {
        jint a, n, shl, shr, ushr;
    };
    const Case cases[] = {
        {1, 0, 1, 1, 1},
        {1, 31, kIntMin, 0, 0},
        {1, 32, 1, 1, 1},  // 32 is 0
        {1, 33, 2, 0, 0},  // 33 is 1
        {1, -1, kIntMin, 0, 0},  // -1 is 31
        {-8, 1, -16, -4, 0x7FFFFFFC},
        {-8, 33, -16, -4, 0x7FFFFFFC},
        {-1, 28, -268435456, -1, 15},
        {-1, 64, -1, -1, -1},
        {kIntMin, 31, 0, -1, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.a << " by " << c.n);
        EXPECT_EQ(vmShl(c.a, c.n), c.shl);
        EXPECT_EQ(vmShr(c.a, c.n), c.shr);
        EXPECT_EQ(vmUshr(c.a, c.n), c.ushr);
    }
}

TEST(JavaMath, LongShiftsMaskTheCount) {
    struct Case {
        jlong a;
        jint n;
        jlong shl, shr, ushr;
    };
    const Case cases[] = {
        {1, 32, jlong(1) << 32, 0, 0},  // not masked to five bits
        {1, 63, kLongMin, 0, 0},
        {1, 64, 1, 1, 1},  // 64 is 0
        {1, 65, 2, 0, 0},
        {1, -1, kLongMin, 0, 0},  // -1 is 63
        {-8, 65, -16, -4, jlong(0x7FFFFFFFFFFFFFFC)},
        {-1, 60, jlong(0xF000000000000000), -1, 15},
        {kLongMin, 63, 0, -1, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.a << " by " << c.n);
        EXPECT_EQ(vmShl(c.a, c.n), c.shl);
        EXPECT_EQ(vmShr(c.a, c.n), c.shr);
        EXPECT_EQ(vmUshr(c.a, c.n), c.ushr);
    }
}

TEST(JavaMath, FloatToIntegerConversionsSaturate) {
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const float finf = std::numeric_limits<float>::infinity();
    const float fnan = std::numeric_limits<float>::quiet_NaN();

    struct DoubleCase {
        double d;
        jint i;
        jlong l;
    };
    const DoubleCase doubles[] = {
        {nan, 0, 0},
        {-nan, 0, 0},
        {inf, kIntMax, kLongMax},
        {-inf, kIntMin, kLongMin},
        {1e10, kIntMax, 10000000000},
        {-1e10, kIntMin, -10000000000},
        {1e19, kIntMax, kLongMax},
        {-1e19, kIntMin, kLongMin},
        {9223372036854775808.0, kIntMax, kLongMax},   // 2^63
        {-9223372036854775808.0, kIntMin, kLongMin},  // -2^63, exact
        {2147483647.0, kIntMax, 2147483647},
        {2147483647.9, kIntMax, 2147483647},
        {2147483648.0, kIntMax, 2147483648},
        {-2147483648.0, kIntMin, -2147483648LL},
        {-2147483648.9, kIntMin, -2147483648LL},
        {-2147483649.0, kIntMin, -2147483649LL},
        {3.99, 3, 3},
        {-3.99, -3, -3},
        {-0.5, 0, 0},
        {0.0, 0, 0},
        {4611686018427387904.0, kIntMax, jlong(1) << 62},
    };
    for (const DoubleCase& c : doubles) {
        SCOPED_TRACE(testing::Message() << c.d);
        EXPECT_EQ(vmD2I(c.d), c.i);
        EXPECT_EQ(vmD2L(c.d), c.l);
    }

    struct FloatCase {
        float f;
        jint i;
        jlong l;
    };
    const FloatCase floats[] = {
        {fnan, 0, 0},
        {finf, kIntMax, kLongMax},
        {-finf, kIntMin, kLongMin},
        {3e9f, kIntMax, 3000000000},
        {-3e9f, kIntMin, -3000000000},
        {2147483648.0f, kIntMax, 2147483648},  // 2^31, the float next to INT_MAX
        {-2147483648.0f, kIntMin, -2147483648LL},
        {1e19f, kIntMax, kLongMax},
        {-1e19f, kIntMin, kLongMin},
        {1.5f, 1, 1},
        {-1.5f, -1, -1},
        {16777216.0f, 16777216, 16777216},
    };
    for (const FloatCase& c : floats) {
        SCOPED_TRACE(testing::Message() << c.f);
        EXPECT_EQ(vmF2I(c.f), c.i);
        EXPECT_EQ(vmF2L(c.f), c.l);
    }
}

}  // namespace
