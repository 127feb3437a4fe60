// The framework's utilities beside the readers: FastRandom's sequence and
// bounds, IntHashtable's buckets, growth, order and copies, the canvas's
// byte-buffer serializer and number formatting, and the class records the
// utility package registers.
#include "resources_test_support.h"

#include <climits>

#include "java_lang_Class.h"
#include "java_lang_Integer.h"
#include "java_lang_StringBuffer.h"
#include "wren_util_FastRandom.h"
#include "wren_util_IntHashtable.h"

using namespace restest;
using java::lang::Object;
using wren::WrenCanvas;
using wren::util::FastRandom;
using wren::util::IntHashtable;

namespace {

TEST(FastRandom, TheSequenceFromStateOne) {
    VMPtr<FastRandom> r = FastRandom::make(jlong(1));
    EXPECT_EQ(r->nextLong(), 0x2200011);
    EXPECT_EQ(r->nextLong(), 0x4040000008181);
    EXPECT_EQ(uint64_t(r->nextLong()), 0x8044451222201133u);

    EXPECT_EQ(FastRandom::make(jlong(1))->nextInt(), 35651601);
    EXPECT_EQ(FastRandom::make(jlong(1))->nextInt(10), 1);
    EXPECT_EQ(FastRandom::make(jlong(1))->next(24), 0x200011);
    EXPECT_EQ(FastRandom::make(jlong(1))->nextFloat(), jfloat(0x200011) / jfloat(1 << 24));
    // nextDouble draws 26 bits (0x2200011 of the first step), then 27
    // (0x8181 of the second), over 2^53.
    EXPECT_EQ(FastRandom::make(jlong(1))->nextDouble(), 0x11000088008181 / 0x1p53);
}

TEST(FastRandom, BitCounts) {
    VMPtr<FastRandom> a = FastRandom::make(jlong(77));
    VMPtr<FastRandom> b = FastRandom::make(jlong(77));
    EXPECT_EQ(a->next(32), b->nextInt());
    EXPECT_EQ(a->next(64), 0);
    b->nextLong();
    EXPECT_EQ(a->state, b->state);  // next(64) still took a step
    EXPECT_EQ(a->next(1) & ~1, 0);
    for (jint bits : {0, -1, INT_MIN}) {
        jlong before = a->state;
        VMPtr<java::lang::Throwable> t = thrownBy([&] { a->next(bits); });
        EXPECT_EQ(classNameOf(t), "java.lang.IllegalArgumentException");
        EXPECT_EQ(text(t->getMessage()), "FastRandom.nextInt() numberOfBits must be positive");
        EXPECT_EQ(a->state, before);
    }
}

// The bound takes Java's remainder: 0 is ArithmeticException, a negative
// bound and the smallest int stay in range, nothing traps.
TEST(FastRandom, Bounds) {
    VMPtr<FastRandom> r = FastRandom::make(jlong(12345));
    for (int i = 0; i < 2000; ++i) {
        jint n = r->nextInt(-7);
        EXPECT_TRUE(n >= 0 && n < 7) << n;
        jint m = r->nextInt(INT_MIN);
        EXPECT_GE(m, 0);
        EXPECT_EQ(r->nextInt(-1), 0);
        EXPECT_EQ(r->nextInt(1), 0);
    }
    EXPECT_EQ(thrownName([&] { r->nextInt(0); }), "java.lang.ArithmeticException");
}

TEST(FastRandom, SeedsDecideTheSequence) {
    VMPtr<FastRandom> zero = FastRandom::make(jlong(0));
    for (int i = 0; i < 5; ++i) EXPECT_EQ(zero->nextInt(), 0);
    EXPECT_EQ(zero->nextDouble(), 0.0);
    VMPtr<FastRandom> a = FastRandom::make(jlong(-42));
    VMPtr<FastRandom> b = FastRandom::make();
    b->setSeed(-42);
    for (int i = 0; i < 50; ++i) EXPECT_EQ(a->nextLong(), b->nextLong());
    // Usable wherever a Random is.
    VMPtr<java::util::Random> asRandom = a;
    asRandom->setSeed(5);
    EXPECT_EQ(a->state, 5);
    EXPECT_EQ(asRandom->nextInt(), FastRandom::make(jlong(5))->nextInt());
}

VMPtr<Object> boxed(jint v) {
    return java::lang::Integer::make(v);
}
jint unboxed(const VMPtr<Object>& o) {
    return vmCast<java::lang::Integer>(o)->value;
}

std::vector<jint> keysOf(const VMPtr<IntHashtable>& t) {
    VMPtr<VMArray<jint>> keys = VMArray<jint>::create(t->size());
    t->getKeys(keys);
    return std::vector<jint>(keys->elements(), keys->elements() + keys->length);
}

TEST(IntHashtable, CapacitiesAndGrowth) {
    for (jint initial : {-5, 0, 1}) {
        VMPtr<IntHashtable> t = IntHashtable::make(initial);
        EXPECT_EQ(t->table->length, 1);
        EXPECT_EQ(t->threshold, 0);
        t->put(9, boxed(9));
        EXPECT_EQ(t->table->length, 3);
        EXPECT_EQ(t->threshold, 2);
    }
    VMPtr<IntHashtable> t = IntHashtable::make(128);
    for (jint k = 0; k < 96; ++k) t->put(k, boxed(k));
    EXPECT_EQ(t->table->length, 128);
    t->put(5, boxed(-5));  // an existing key never grows it
    EXPECT_EQ(t->table->length, 128);
    t->put(96, boxed(96));
    EXPECT_EQ(t->table->length, 257);
    EXPECT_EQ(t->threshold, 192);
    for (jint k = 0; k <= 96; ++k) EXPECT_EQ(unboxed(t->get(k)), k == 5 ? -5 : k);
    t->clear();
    EXPECT_TRUE(t->isEmpty());
    EXPECT_EQ(t->table->length, 257);
}

TEST(IntHashtable, KeysAndValues) {
    VMPtr<IntHashtable> t = IntHashtable::make(128);
    EXPECT_EQ(IntHashtable::bucketOf(-1, 128), IntHashtable::bucketOf(0x7FFFFFFF, 128));
    for (jint k : {-1, 0x7FFFFFFF, INT_MIN, -129, 0}) t->put(k, boxed(k / 2));
    for (jint k : {-1, 0x7FFFFFFF, INT_MIN, -129, 0}) {
        EXPECT_TRUE(t->containsKey(k));
        EXPECT_EQ(unboxed(t->get(k)), k / 2);
    }
    EXPECT_EQ(unboxed(t->put(-1, boxed(3))), 0);
    EXPECT_EQ(t->size(), 5);
    EXPECT_EQ(t->put(77, nullptr), nullptr);
    EXPECT_EQ(t->get(77), nullptr);
    EXPECT_TRUE(t->containsKey(77));
    EXPECT_FALSE(t->containsKey(78));
    EXPECT_EQ(t->get(78), nullptr);
}

// Buckets from the last to the first, each from the newest entry.
TEST(IntHashtable, IterationOrder) {
    VMPtr<IntHashtable> t = IntHashtable::make(7);
    for (jint k : {1, 8, 2}) t->put(k, boxed(k * 10));
    EXPECT_EQ(keysOf(t), (std::vector<jint>{2, 8, 1}));
    VMPtr<VMArray<Object*>> values = VMArray<Object*>::create(3);
    t->getValues(values);
    EXPECT_EQ(unboxed(values[0]), 20);
    EXPECT_EQ(unboxed(values[1]), 80);
    EXPECT_EQ(unboxed(values[2]), 10);
    EXPECT_EQ(thrownName([&] { t->getKeys(VMArray<jint>::create(2)); }),
              "java.lang.ArrayIndexOutOfBoundsException");
}

TEST(IntHashtable, Removal) {
    VMPtr<IntHashtable> t = IntHashtable::make(7);
    for (jint k : {3, 10, 17}) t->put(k, boxed(k));  // one bucket: 17, 10, 3
    EXPECT_EQ(unboxed(t->remove(10)), 10);
    EXPECT_EQ(keysOf(t), (std::vector<jint>{17, 3}));
    EXPECT_EQ(t->remove(10), nullptr);
    EXPECT_EQ(t->size(), 2);
    EXPECT_EQ(unboxed(t->remove(17)), 17);
    EXPECT_EQ(unboxed(t->remove(3)), 3);
    EXPECT_TRUE(t->isEmpty());
}

TEST(IntHashtable, ClonesShareValuesNotEntries) {
    VMPtr<IntHashtable> t = IntHashtable::make(3);
    for (jint k = 0; k < 40; ++k) t->put(k * 3, boxed(k));  // long chains after growth
    VMPtr<IntHashtable> c = vmCast<IntHashtable>(t->clone());
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->table->length, t->table->length);
    EXPECT_EQ(c->threshold, t->threshold);
    EXPECT_EQ(keysOf(c), keysOf(t));
    EXPECT_TRUE(c->get(6) == t->get(6));
    c->put(1000, boxed(1));
    c->remove(0);
    EXPECT_FALSE(t->containsKey(1000));
    EXPECT_TRUE(t->containsKey(0));
    EXPECT_EQ(t->size(), 40);
}

TEST(CanvasBuffers, TheSerializer) {
    WrenCanvas::Statics& s = WrenCanvas::S();
    s.outBuffer = VMArray<jbyte>::create(16);
    s.outPosition = 0;
    WrenCanvas::writeInt(0x01020304);
    WrenCanvas::writeIntLE(0x01020304);
    EXPECT_EQ(s.outPosition, 8);
    WrenCanvas::writeShort(0xABCD);
    WrenCanvas::writeShortLE(0xABCD);
    WrenCanvas::writeByte(0x1FF);
    WrenCanvas::writeBoolean(true);
    WrenCanvas::writeBoolean(false);
    EXPECT_EQ(s.outPosition, 15);
    VMPtr<VMArray<jbyte>> out = s.outBuffer;
    EXPECT_EQ(bytesOf(out),
              bytesFrom({1, 2, 3, 4, 4, 3, 2, 1, 0xAB, 0xCD, 0xCD, 0xAB, 0xFF, 1, 0, 0}));
    s.outPosition = 16;
    EXPECT_EQ(thrownName([] { WrenCanvas::writeByte(1); }),
              "java.lang.ArrayIndexOutOfBoundsException");

    s.inBuffer = jbytes(bytesFrom({0xFF, 0xFF, 0xFF, 0xFF, 0xFE, 0, 7}));
    s.inPosition = 0;
    EXPECT_EQ(WrenCanvas::readByte(), -1);
    EXPECT_EQ(WrenCanvas::readInt(), -2);
    EXPECT_FALSE(WrenCanvas::readBoolean());
    EXPECT_TRUE(WrenCanvas::readBoolean());
    EXPECT_EQ(s.inPosition, 7);
    EXPECT_EQ(thrownName([] { WrenCanvas::readByte(); }),
              "java.lang.ArrayIndexOutOfBoundsException");
}

TEST(CanvasBuffers, NumberFormatting) {
    struct Case {
        jint value, minDigits;
        const char* text;
    } cases[] = {
        {7, 3, "007"},
        {-42, 0, "-42"},
        {123456, 8, "123456"},
        {-5, 3, "-005"},
        {0, 0, "0"},
        {0, 2, "00"},
        {65535, 7, "0065535"},
        {65536, 7, "65536"},
        {-65536, 7, "-65536"},
        {INT_MIN, 12, "-2147483648"},
        {INT_MAX, 0, "2147483647"},
        {12, -3, "12"},
    };
    for (const Case& c : cases) {
        VMPtr<java::lang::StringBuffer> sb = java::lang::StringBuffer::make("[]");
        WrenCanvas::appendNumber(sb, c.value, c.minDigits);
        EXPECT_EQ(text(sb->toString()), std::string("[]") + c.text) << c.value;
        sb = java::lang::StringBuffer::make("[]");
        WrenCanvas::insertNumber(sb, c.value, c.minDigits, 1);
        EXPECT_EQ(text(sb->toString()), std::string("[") + c.text + "]") << c.value;
    }
    VMPtr<java::lang::StringBuffer> sb = java::lang::StringBuffer::make();
    WrenCanvas::appendNumber(sb, 40);
    EXPECT_EQ(text(sb->toString()), "40");
}

TEST(UtilityClasses, AreRegisteredWithTheirFactories) {
    struct Case {
        const char* name;
        bool isInterface, hasFactory;
    } cases[] = {
        {"wren.util.Sorting", false, true},
        {"wren.util.Sorting$Comparator", true, false},
        {"wren.util.IntHashtable", false, false},
        {"wren.util.IntHashtable$Entry", false, true},
        {"wren.util.FastRandom", false, true},
        {"wren.io.FastInputStream", false, false},
        {"wren.io.resource.ResourcePackChunked", false, true},
        {"wren.io.resource.ResourcePackExtension", false, true},
        {"wren.io.resource.ResourcePackSaver", false, true},
        {"wren.Resources", false, true},
        {"wren.WrenCanvas", false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        VMPtr<java::lang::Class> cls = java::lang::Class::forName(jstr(c.name));
        ASSERT_NE(cls, nullptr);
        EXPECT_EQ(cls->isInterface, c.isInterface);
        EXPECT_EQ(cls->factory != nullptr, c.hasFactory);
    }
    EXPECT_STREQ(java::lang::Class::forName(jstr("wren.util.FastRandom"))->superclass->name,
                 "java.util.Random");
    EXPECT_STREQ(
        java::lang::Class::forName(jstr("wren.io.resource.ResourcePackChunked"))->superclass->name,
        "wren.io.resource.ResourcePackExtension");
    VMPtr<Object> made = java::lang::Class::forName(jstr("wren.util.FastRandom"))->newInstance();
    EXPECT_TRUE(vmIsInstanceOf(made, java::util::Random::classRecord()));
}

}  // namespace
