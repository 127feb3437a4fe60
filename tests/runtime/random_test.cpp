// java.util.Random: the sequences match the Java platform's bit for bit, and
// a subclass's overrides are the ones every derived operation goes through.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "VMClass.h"
#include "VMClock.h"
#include "java_lang_System.h"
#include "java_util_Random.h"
#include "runtime/runtime_test_support.h"

using java::util::Random;
using wrentest::classNameOf;
using wrentest::text;
using wrentest::thrownBy;

namespace randomtest {

// Counts the draws and the seedings that reach the overrides.
class CountingRandom : public Random {
    WREN_CLASS(CountingRandom, Random)
public:
    jint draws = 0;
    jint seedings = 0;
    void ctor(jlong s) { Random::ctor(s); }
    void setSeed(jlong s) override {
        ++seedings;
        Random::setSeed(s);
    }
    jint rawNext(jint bits) { return next(bits); }

protected:
    jint next(jint bits) override {
        ++draws;
        return Random::next(bits);
    }
};

}  // namespace randomtest

WREN_DEFINE_CLASS(randomtest::CountingRandom, "randomtest.CountingRandom")

namespace {

uint32_t floatBits(jfloat f) {
    uint32_t b;
    std::memcpy(&b, &f, sizeof b);
    return b;
}
uint64_t doubleBits(jdouble d) {
    uint64_t b;
    std::memcpy(&b, &d, sizeof b);
    return b;
}

// Every expected value below is what OpenJDK 17's java.util.Random gives.
TEST(Random, SeedZeroMatchesJava) {
    VMPtr<Random> r = Random::make(jlong(0));
    EXPECT_EQ(r->seed, 0x5DEECE66DLL);
    // The first draw is the top 32 bits of (0x5DEECE66D^2 + 11) mod 2^48.
    constexpr uint64_t kState = (0x5DEECE66DULL * 0x5DEECE66DULL + 11) & ((1ULL << 48) - 1);
    const jint ints[] = {-1155484576, -723955400, 1033096058, -1690734402, -1557280266};
    EXPECT_EQ(ints[0], jint(uint32_t(kState >> 16)));
    for (jint expected : ints) EXPECT_EQ(r->nextInt(), expected);

    r = Random::make(jlong(0));
    EXPECT_EQ(r->nextLong(), -4962768465676381896LL);
    EXPECT_EQ(r->nextLong(), 4437113781045784766LL);

    r = Random::make(jlong(0));
    EXPECT_EQ(floatBits(r->nextFloat()), 1060839604u);  // 0.73096776f
    EXPECT_EQ(doubleBits(r->nextDouble()), 4605664174199840347ull);
    EXPECT_EQ(doubleBits(Random::make(jlong(0))->nextDouble()), doubleBits(0.730967787376657));
}

TEST(Random, BoundedIntsMatchJava) {
    struct Case {
        jlong seed;
        jint bound;
        std::vector<jint> values;
    };
    const Case cases[] = {
        {0, 10, {0, 8, 9, 7, 5}},
        {0, 16, {11, 13, 3, 9, 10}},  // power of two: one draw each
        {-123456789012345LL, 1000000007, {710118724, 47888809, 198869049, 743733100}},
        {42, (1 << 30) + 1, {117392763, 102948884, 662969970}},  // rejects draws
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.seed) + " bound " + std::to_string(c.bound));
        VMPtr<Random> r = Random::make(c.seed);
        for (jint expected : c.values) EXPECT_EQ(r->nextInt(c.bound), expected);
    }
    VMPtr<Random> r = Random::make(jlong(42));
    EXPECT_EQ(r->nextInt(), -1170105035);
    EXPECT_EQ(r->nextLong(), 1008396158678580193LL);
    EXPECT_EQ(doubleBits(r->nextDouble()), doubleBits(0.047939305137387644));
    EXPECT_EQ(floatBits(r->nextFloat()), floatBits(0.9420735f));
}

TEST(Random, BoundsAndRestarts) {
    VMPtr<Random> r = Random::make(jlong(7));
    for (jint bad : {0, -5, jint(0x80000000)}) {
        SCOPED_TRACE(bad);
        VMPtr<java::lang::Throwable> t = thrownBy([&] { r->nextInt(bad); });
        EXPECT_EQ(classNameOf(t), "java.lang.IllegalArgumentException");
        EXPECT_EQ(text(t->getMessage()), "n must be positive");
    }
    for (int i = 0; i < 20; ++i) EXPECT_EQ(r->nextInt(1), 0);

    VMPtr<Random> a = Random::make(jlong(99));
    VMPtr<Random> b = Random::make(jlong(99));
    std::vector<jint> first;
    for (int i = 0; i < 8; ++i) {
        first.push_back(a->nextInt());
        EXPECT_EQ(b->nextInt(), first.back());
    }
    a->setSeed(99);
    for (jint v : first) EXPECT_EQ(a->nextInt(), v);
    // Only the low 48 bits of a seed count.
    EXPECT_EQ(Random::make(jlong(99) | (jlong(0x7FFF) << 48))->nextInt(), first[0]);

    for (int i = 0; i < 1000; ++i) {
        jfloat f = a->nextFloat();
        jdouble d = a->nextDouble();
        ASSERT_TRUE(f >= 0.0f && f < 1.0f);
        ASSERT_TRUE(d >= 0.0 && d < 1.0);
    }
}

TEST(Random, SubclassOverridesAreUsed) {
    VMPtr<randomtest::CountingRandom> r = randomtest::CountingRandom::make(jlong(0));
    EXPECT_EQ(r->seedings, 1);  // the constructor seeds through the override
    struct Case {
        const char* op;
        std::function<void()> call;
        jint draws;
    };
    const Case cases[] = {
        {"nextInt()", [&] { r->nextInt(); }, 1},
        {"nextInt(16)", [&] { r->nextInt(16); }, 1},
        {"nextLong()", [&] { r->nextLong(); }, 2},
        {"nextFloat()", [&] { r->nextFloat(); }, 1},
        {"nextDouble()", [&] { r->nextDouble(); }, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.op);
        r->draws = 0;
        c.call();
        EXPECT_EQ(r->draws, c.draws);
    }
    // The same values as the base class for the same seed.
    r->setSeed(0);
    EXPECT_EQ(r->nextInt(), -1155484576);
    // A draw wider than the state shifts as Java's masked long shift does.
    r->setSeed(0);
    EXPECT_EQ(r->rawNext(48), jint(((0x5DEECE66DULL * 0x5DEECE66DULL + 11) & ((1ULL << 48) - 1))));
    EXPECT_EQ(r->rawNext(60), 0);
    EXPECT_EQ(r->rawNext(0), 0);
}

uint32_t frozenTicks() { return 5000; }

TEST(Random, DefaultSeedIsTheCurrentTime) {
    VMTickSource previous = vmSetTickSource(&frozenTicks);
    VMPtr<Random> seeded = Random::make(java::lang::System::currentTimeMillis());
    VMPtr<Random> unseeded = Random::make();
    vmSetTickSource(previous);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(unseeded->nextInt(), seeded->nextInt());

    java::lang::Class* cls = vmFindClass("java.util.Random");
    ASSERT_NE(cls, nullptr);
    EXPECT_TRUE(vmCast<Random>(cls->newInstance()));
}

}  // namespace
