// Integer, Long, Double and Float: boxing, hashing, radix formatting, integer
// parsing and its exceptions, the "%G" text of doubles and floats, the
// floating-point constants, and the class records of the number classes and
// Math.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <string>

#include "java_lang_Character.h"
#include "java_lang_Double.h"
#include "java_lang_Float.h"
#include "java_lang_Integer.h"
#include "java_lang_Long.h"
#include "java_lang_Math.h"
#include "java_lang_String.h"
#include "java_lang_StringBuffer.h"
#include "runtime/runtime_test_support.h"

using java::lang::Double;
using java::lang::Float;
using java::lang::Integer;
using java::lang::Long;
using java::lang::Object;
using java::lang::String;
using java::lang::Throwable;
using wrentest::classNameOf;
using wrentest::text;
using wrentest::thrownBy;
using wrentest::thrownName;

namespace {

constexpr jint kIntMin = -2147483647 - 1;
constexpr jlong kLongMin = jlong(-9223372036854775807LL - 1);

TEST(IntegerFormat, ToStringInARadix) {
    // Expected texts as OpenJDK 17 gives them.
    struct Case {
        jint value, radix;
        const char* expected;
    };
    const Case cases[] = {
        {kIntMin, 10, "-2147483648"},
        {kIntMin, 2, "-10000000000000000000000000000000"},
        {2147483647, 36, "zik0zj"},
        {-255, 16, "-ff"},
        {255, 16, "ff"},
        {255, 99, "255"},  // a radix outside 2..36 is decimal
        {255, 1, "255"},
        {-35, 36, "-z"},
        {0, 7, "0"},
        {-1, 2, "-1"},
        {10, 10, "10"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.value << " radix " << c.radix);
        EXPECT_EQ(text(Integer::toString(c.value, c.radix)), c.expected);
    }
    EXPECT_EQ(text(Integer::make(-90)->toString()), "-90");
    EXPECT_EQ(text(String::valueOf(kIntMin)), "-2147483648");
    VMPtr<java::lang::StringBuffer> sb = java::lang::StringBuffer::make();
    sb->append(jint(-5))->append(jint(2147483647));
    EXPECT_EQ(text(sb->toString()), "-52147483647");
}

TEST(IntegerFormat, ToHexStringIsUnsigned) {
    struct Case {
        jint value;
        const char* expected;
    };
    const Case cases[] = {
        {0, "0"}, {-1, "ffffffff"}, {kIntMin, "80000000"}, {48879, "beef"}, {15, "f"}};
    for (const Case& c : cases)
        EXPECT_EQ(text(Integer::toHexString(c.value)), c.expected) << c.value;
}

TEST(LongFormat, ToStringInARadix) {
    struct Case {
        jlong value;
        jint radix;
        const char* expected;
    };
    const Case cases[] = {
        {kLongMin, 10, "-9223372036854775808"},
        {kLongMin, 2, "-1000000000000000000000000000000000000000000000000000000000000000"},
        {9223372036854775807LL, 36, "1y2p0ij32e8e7"},
        {-(jlong(1) << 40), 16, "-10000000000"},
        {1234567890123LL, 37, "1234567890123"},
        {0, 2, "0"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expected);
        EXPECT_EQ(text(Long::toString(c.value, c.radix)), c.expected);
    }
    EXPECT_EQ(text(Long::make(kLongMin)->toString()), "-9223372036854775808");
    EXPECT_EQ(text(String::valueOf(jlong(123456789012))), "123456789012");
}

TEST(Boxing, HashCodeAndEquals) {
    // Long hash codes as OpenJDK 17 gives them.
    struct Case {
        jlong value;
        jint hash;
    };
    const Case cases[] = {
        {jlong(1) << 32, 1},
        {-1, 0},
        {kLongMin, kIntMin},
        {0x123456789abcdef0LL, -2004318072},
        {5, 5},
    };
    for (const Case& c : cases) EXPECT_EQ(Long::make(c.value)->hashCode(), c.hash) << c.value;
    EXPECT_EQ(Integer::make(-3)->hashCode(), -3);

    VMPtr<Object> five = Integer::make(5);
    EXPECT_TRUE(Integer::make(5)->equals(five));
    EXPECT_FALSE(Integer::make(6)->equals(five));
    EXPECT_FALSE(Integer::make(5)->equals(VMPtr<Object>(Long::make(5))));
    EXPECT_FALSE(Long::make(5)->equals(five));
    EXPECT_TRUE(Long::make(jlong(1) << 40)->equals(VMPtr<Object>(Long::make(jlong(1) << 40))));
    EXPECT_FALSE(
        Long::make(jlong(1) << 40)->equals(VMPtr<Object>(Long::make(0))));  // high word counts
    EXPECT_FALSE(Integer::make(5)->equals(VMPtr<Object>()));
    EXPECT_FALSE(Long::make(5)->equals(VMPtr<Object>()));
    EXPECT_FALSE(Integer::make(5)->equals(VMPtr<Object>(String::make("5"))));
}

TEST(IntegerParse, Values) {
    // Values as OpenJDK 17 gives them.
    struct Case {
        const char* text;
        jint radix, expected;
    };
    const Case cases[] = {
        {"-2147483648", 10, kIntMin},
        {"2147483647", 10, 2147483647},
        {"0", 10, 0},
        {"-0", 10, 0},
        {"007", 10, 7},
        {"ff", 16, 255},
        {"FF", 16, 255},
        {"z", 36, 35},
        {"-zz", 36, -1295},
        {"7fffffff", 16, 2147483647},
        {"-80000000", 16, kIntMin},
        {"1010", 2, 10},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(Integer::parseInt(String::make(c.text), c.radix), c.expected);
    }
    EXPECT_EQ(Integer::parseInt(String::make("-12345")), -12345);
    // Latin-1 letters are digits too: U+00C0 counts as 9.
    EXPECT_EQ(Integer::parseInt(String::make("1\xC3\x80")), 19);
}

TEST(IntegerParse, FailuresAndTheirMessages) {
    struct Case {
        const char* text;
        jint radix;
        const char* message;
    };
    const Case cases[] = {
        {"2147483648", 10, "2147483648"},
        {"-2147483649", 10, "-2147483649"},
        {"99999999999", 10, "99999999999"},
        {"80000000", 16, "80000000"},
        {"-", 10, "-"},
        {"+1", 10, "+1"},
        {"--1", 10, "--1"},
        {"12a", 10, "12a"},
        {" 1", 10, " 1"},
        {"1 ", 10, "1 "},
        {"2", 2, "2"},
        {"", 10, "empty String"},
        {"1", 1, "radix less than Character.MIN_RADIX"},
        {"1", 37, "radix greater than Character.MAX_RADIX"},
        {"", 99, "empty String"},  // emptiness is tested before the radix
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        VMPtr<Throwable> t = thrownBy([&] { Integer::parseInt(String::make(c.text), c.radix); });
        EXPECT_EQ(classNameOf(t), "java.lang.NumberFormatException");
        if (t) {
            EXPECT_EQ(text(t->getMessage()), c.message);
        }
    }
    // The message is the very text parsed.
    VMPtr<String> input = String::make("x9");
    VMPtr<Throwable> t = thrownBy([&] { Integer::parseInt(input); });
    ASSERT_TRUE(t);
    EXPECT_EQ(t->getMessage().get(), input.get());

    VMPtr<Throwable> npe = thrownBy([] { Integer::parseInt(VMPtr<String>()); });
    EXPECT_EQ(classNameOf(npe), "java.lang.NullPointerException");
    if (npe) {
        EXPECT_EQ(npe->getMessage(), nullptr);
    }
}

TEST(FloatingText, PercentGForm) {
    // printf's "%G" as the C library gives it.
    struct Case {
        jdouble value;
        const char* expected;
    };
    const Case doubles[] = {
        {0.0, "0"},
        {-0.0, "-0"},
        {1.0, "1"},
        {0.5, "0.5"},
        {100000.0, "100000"},
        {123456.0, "123456"},
        {1234567.0, "1.23457E+06"},
        {999999.5, "1E+06"},
        {12345.678, "12345.7"},
        {3.14159265, "3.14159"},
        {0.0001, "0.0001"},
        {0.00001234, "1.234E-05"},
        {-2.5e-10, "-2.5E-10"},
        {1.7976931348623157e308, "1.79769E+308"},
        {std::bit_cast<jdouble>(uint64_t(1)), "4.94066E-324"},
        {1e21, "1E+21"},
    };
    for (const Case& c : doubles)
        EXPECT_EQ(text(Double::toString(c.value)), c.expected) << c.expected;

    struct FloatCase {
        jfloat value;
        const char* expected;
    };
    const FloatCase floats[] = {
        {0.1f, "0.1"},
        {0.333333333f, "0.333333"},
        {-7.25f, "-7.25"},
        {1e10f, "1E+10"},
        {16777216.0f, "1.67772E+07"},
        {std::bit_cast<jfloat>(uint32_t(0x7F7FFFFF)), "3.40282E+38"},
        {std::bit_cast<jfloat>(uint32_t(1)), "1.4013E-45"},
    };
    for (const FloatCase& c : floats)
        EXPECT_EQ(text(Float::toString(c.value)), c.expected) << c.expected;

    // One text for each special value, whatever the sign bit of a NaN.
    const jdouble negativeNaN = std::bit_cast<jdouble>(uint64_t(0xFFF8000000000000));
    EXPECT_EQ(text(Double::toString(Double::S().NaN)), "NaN");
    EXPECT_EQ(text(Double::toString(negativeNaN)), "NaN");
    EXPECT_EQ(text(Double::toString(Double::S().POSITIVE_INFINITY)), "Infinity");
    EXPECT_EQ(text(Double::toString(Double::S().NEGATIVE_INFINITY)), "-Infinity");
    EXPECT_EQ(text(Float::toString(-Float::S().NaN)), "NaN");
    EXPECT_EQ(text(Float::toString(Float::S().NEGATIVE_INFINITY)), "-Infinity");

    EXPECT_EQ(text(String::valueOf(jdouble(0.5))), "0.5");
    EXPECT_EQ(text(String::valueOf(jfloat(1234567.0f))), "1.23457E+06");
}

TEST(FloatingConstants, BitPatterns) {
    const Double::Statics& d = Double::S();
    EXPECT_EQ(std::bit_cast<uint64_t>(d.MAX_VALUE), 0x7FEFFFFFFFFFFFFFu);
    EXPECT_EQ(std::bit_cast<uint64_t>(d.MIN_VALUE), 1u);
    EXPECT_EQ(std::bit_cast<uint64_t>(d.NaN), 0x7FF8000000000000u);
    EXPECT_EQ(std::bit_cast<uint64_t>(d.POSITIVE_INFINITY), 0x7FF0000000000000u);
    EXPECT_EQ(std::bit_cast<uint64_t>(d.NEGATIVE_INFINITY), 0xFFF0000000000000u);
    const Float::Statics& f = Float::S();
    EXPECT_EQ(std::bit_cast<uint32_t>(f.MAX_VALUE), 0x7F7FFFFFu);
    EXPECT_EQ(std::bit_cast<uint32_t>(f.MIN_VALUE), 1u);
    EXPECT_EQ(std::bit_cast<uint32_t>(f.NaN), 0x7FC00000u);
    EXPECT_EQ(std::bit_cast<uint32_t>(f.POSITIVE_INFINITY), 0x7F800000u);
    EXPECT_EQ(std::bit_cast<uint32_t>(f.NEGATIVE_INFINITY), 0xFF800000u);
}

TEST(NumberClassRecords, RegisteredWithoutFactories) {
    struct Case {
        const char* name;
        java::lang::Class* record;
    };
    const Case cases[] = {
        {"java.lang.Integer", Integer::classRecord()},
        {"java.lang.Long", Long::classRecord()},
        {"java.lang.Double", Double::classRecord()},
        {"java.lang.Float", Float::classRecord()},
        {"java.lang.Character", java::lang::Character::classRecord()},
        {"java.lang.Math", java::lang::Math::classRecord()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_NE(c.record, nullptr);
        EXPECT_EQ(vmFindClass(c.name), c.record);
        EXPECT_EQ(vmGetSuperclass(c.record), vmObjectClass());
        EXPECT_EQ(c.record->factory, nullptr);
        EXPECT_FALSE(c.record->isAbstract);
        EXPECT_FALSE(c.record->isInterface);
        // Class.newInstance has nothing to build one with.
        VMPtr<java::lang::Class> cls = c.record;
        EXPECT_EQ(thrownName([&] { cls->newInstance(); }), "java.lang.IllegalAccessException");
    }
    // String and StringBuffer build empty ones.
    VMPtr<Object> s = String::classRecord()->newInstance();
    EXPECT_EQ(text(vmCast<String>(s)), "");
    VMPtr<Object> sb = java::lang::StringBuffer::classRecord()->newInstance();
    EXPECT_EQ(vmCast<java::lang::StringBuffer>(sb)->value->length, 16);
}

}  // namespace
