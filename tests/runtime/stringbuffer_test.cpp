// java.lang.StringBuffer: growth, sharing its array with the Strings made
// from it, appends and inserts, setLength, getChars, and capacities no array
// can hold.
#include <gtest/gtest.h>

#include <string>

#include "VMArray.h"
#include "java_lang_Integer.h"
#include "java_lang_String.h"
#include "java_lang_StringBuffer.h"
#include "runtime/runtime_test_support.h"

using java::lang::Object;
using java::lang::String;
using java::lang::StringBuffer;
using java::lang::Throwable;
using wrentest::classNameOf;
using wrentest::text;
using wrentest::thrownBy;
using wrentest::thrownName;

namespace {

constexpr const char* kSIOOBE = "java.lang.StringIndexOutOfBoundsException";

std::u16string contents(const VMPtr<StringBuffer>& sb) {
    return std::u16string(sb->value->elements(), size_t(sb->count));
}
std::u16string chars(const VMPtr<String>& s) {
    return std::u16string(s->value->elements() + s->offset, size_t(s->count));
}
jint capacity(const VMPtr<StringBuffer>& sb) {
    return sb->value->length;
}

VMPtr<StringBuffer> filled(jint capacityAndCount) {
    VMPtr<StringBuffer> sb = StringBuffer::make(capacityAndCount);
    for (jint i = 0; i < capacityAndCount; ++i) sb->append(u'x');
    return sb;
}

TEST(StringBufferGrowth, CapacitySteps) {
    // Capacities as OpenJDK 17 reports them.
    VMPtr<StringBuffer> sb = StringBuffer::make();
    EXPECT_EQ(capacity(sb), 16);
    sb->append("12345678901234567");
    EXPECT_EQ(capacity(sb), 34);
    EXPECT_EQ(text(sb->toString()), "12345678901234567");

    // The minimum wins over doubling: 34 full, plus 100 chars, is 134, not 70.
    VMPtr<StringBuffer> full = filled(34);
    full->append(VMPtr<String>(String::make(std::string(100, 'y').c_str())));
    EXPECT_EQ(capacity(full), 134);
    EXPECT_EQ(full->length(), 134);

    // Doubling wins over a one-char minimum, for append and insert alike.
    VMPtr<StringBuffer> one = filled(16);
    one->append(u'z');
    EXPECT_EQ(capacity(one), 34);
    VMPtr<StringBuffer> ins = filled(5);
    ins->insert(0, u'z');
    EXPECT_EQ(capacity(ins), 12);
    EXPECT_EQ(contents(ins), u"zxxxxx");

    EXPECT_EQ(capacity(StringBuffer::make(VMPtr<String>(String::make("abc")))), 19);
    VMPtr<StringBuffer> fromText = StringBuffer::make("h\xC3\xA9llo");
    EXPECT_EQ(capacity(fromText), 6 + 16);  // bytes, not chars, plus 16
    EXPECT_EQ(contents(fromText), u"h\xE9llo");
    VMPtr<StringBuffer> empty = StringBuffer::make(0);
    empty->append(u'a');
    EXPECT_EQ(capacity(empty), 2);
}

TEST(StringBufferGrowth, CapacitiesNoArrayCanHoldRaiseOutOfMemoryError) {
    constexpr const char* kOOM = "java.lang.OutOfMemoryError";
    EXPECT_EQ(thrownName([] { StringBuffer::make(0x7fffffff); }), kOOM);
    EXPECT_EQ(thrownName([] { StringBuffer::make(0x20000000); }), kOOM);
    EXPECT_EQ(thrownName([] { StringBuffer::make(-1); }), "java.lang.NegativeArraySizeException");

    VMPtr<StringBuffer> sb = StringBuffer::make("keep");
    VMArray<jchar>* before = sb->value.get();
    for (jint huge : {0x7fffffff, 0x40000000, 0x3fffffff}) {
        SCOPED_TRACE(huge);
        EXPECT_EQ(thrownName([&] { sb->setLength(huge); }), kOOM);
        // The buffer keeps its array and text.
        EXPECT_EQ(sb->value.get(), before);
        EXPECT_EQ(contents(sb), u"keep");
    }
    // A negative byte count is refused before anything is read.
    EXPECT_EQ(thrownName([&] { sb->append("abc", -1); }), kSIOOBE);
    sb->append(u'!');
    EXPECT_EQ(contents(sb), u"keep!");
}

TEST(StringBufferSharing, StringsKeepTheirTextWhileTheBufferChanges) {
    VMPtr<StringBuffer> sb = StringBuffer::make("abc");
    VMPtr<String> s = sb->toString();
    EXPECT_TRUE(sb->shared);
    EXPECT_EQ(s->value.get(), sb->value.get());

    // Appends write past every shared window, so the array stays shared.
    sb->append(u'd');
    VMPtr<String> s2 = sb->toString();
    EXPECT_EQ(chars(s), u"abc");
    EXPECT_EQ(chars(s2), u"abcd");
    EXPECT_EQ(s->value.get(), s2->value.get());

    // Shrinking copies first.
    sb->setLength(1);
    EXPECT_EQ(chars(s), u"abc");
    EXPECT_EQ(chars(s2), u"abcd");
    EXPECT_NE(sb->value.get(), s->value.get());
    EXPECT_FALSE(sb->shared);
    EXPECT_EQ(contents(sb), u"a");
    sb->append("XY");
    EXPECT_EQ(chars(s), u"abc");
    EXPECT_EQ(contents(sb), u"aXY");

    // So do inserts, growing with setLength, and setLength to 0 (which
    // starts over at 16).
    VMPtr<StringBuffer> b = StringBuffer::make("xyz");
    VMPtr<String> t = b->toString();
    b->insert(1, VMPtr<String>(String::make("--")));
    EXPECT_EQ(chars(t), u"xyz");
    EXPECT_EQ(contents(b), u"x--yz");
    VMPtr<String> t2 = b->toString();
    b->setLength(b->length() + 1);
    EXPECT_EQ(chars(t2), u"x--yz");
    VMPtr<String> t3 = b->toString();
    jint before = capacity(b);
    b->setLength(0);
    EXPECT_EQ(capacity(b), 16);
    EXPECT_NE(before, 16);
    EXPECT_FALSE(b->shared);
    EXPECT_EQ(chars(t3), std::u16string(u"x--yz\0", 6));

    // Unshared, setLength(0) keeps the array.
    VMPtr<StringBuffer> c = StringBuffer::make(40);
    c->append("text");
    VMArray<jchar>* array = c->value.get();
    c->setLength(0);
    EXPECT_EQ(c->value.get(), array);
}

TEST(StringBufferSetLength, PadsWithNulAndForgetsDroppedChars) {
    VMPtr<StringBuffer> sb = StringBuffer::make("ab");
    sb->setLength(5);
    EXPECT_EQ(contents(sb), std::u16string(u"ab\0\0\0", 5));
    VMPtr<StringBuffer> shrunk = StringBuffer::make("abcdef");
    shrunk->setLength(2);
    shrunk->setLength(4);  // the dropped "cd" does not come back
    EXPECT_EQ(contents(shrunk), std::u16string(u"ab\0\0", 4));
    VMPtr<Throwable> t = thrownBy([&] { sb->setLength(-1); });
    EXPECT_EQ(classNameOf(t), kSIOOBE);
    if (t) {
        EXPECT_EQ(text(t->getMessage()), "String index out of range: -1");
    }
}

TEST(StringBufferAppend, EveryKind) {
    VMPtr<StringBuffer> sb = StringBuffer::make();
    VMPtr<StringBuffer> same = sb->append(VMPtr<String>());
    EXPECT_EQ(same.get(), sb.get());
    sb->append(VMPtr<Object>());
    sb->append(u'|');
    sb->append(jint(-2147483647 - 1));
    sb->append(u'|');
    sb->append(VMPtr<Object>(java::lang::Integer::make(42)));
    sb->append(java::lang::Integer::make(7));  // any reference goes to append(Object)
    sb->append(WREN_LIT("|lit"));
    sb->append('!');
    EXPECT_EQ(text(sb->toString()), "nullnull|-2147483648|427|lit!");

    // UTF-8 bytes: a broken sequence is one U+0080; the text ends before a
    // malformed lead byte, and nothing else changes.
    VMPtr<StringBuffer> bytes = StringBuffer::make(2);
    bytes->append(
        "\xE2\x82\xAC"
        "a\xC3");
    EXPECT_EQ(contents(bytes),
              u"\x20AC"
              u"a\x80");
    bytes->append("b\x80zz", 4);
    EXPECT_EQ(contents(bytes),
              u"\x20AC"
              u"a\x80"
              u"b");
    bytes->append(std::string("\xC0\x80", 2).c_str(), 2);
    EXPECT_EQ(contents(bytes), std::u16string(u"\x20AC"
                                              u"a\x80"
                                              u"b\0",
                                              5));
    bytes->append("xyz", 0);
    EXPECT_EQ(bytes->length(), 5);
    EXPECT_EQ(thrownName([&] { bytes->append(static_cast<const char*>(nullptr)); }),
              "java.lang.NullPointerException");
}

TEST(StringBufferInsert, OffsetsAndNull) {
    auto make = [] { return StringBuffer::make("abc"); };
    EXPECT_EQ(contents(make()->insert(3, VMPtr<String>(String::make("x")))), u"abcx");
    EXPECT_EQ(contents(make()->insert(0, VMPtr<String>())), u"nullabc");
    EXPECT_EQ(contents(make()->insert(1, u'Z')), u"aZbc");
    EXPECT_EQ(contents(make()->insert(3, 'Z')), u"abcZ");
    EXPECT_EQ(contents(make()->insert(2, jint(-12))), u"ab-12c");
    // Inserting text the buffer itself holds.
    VMPtr<StringBuffer> self = make();
    self->insert(1, self->toString());
    EXPECT_EQ(contents(self), u"aabcbc");

    // Both forms check the offset; the message is absent.
    for (jint offset : {4, -1}) {
        SCOPED_TRACE(offset);
        VMPtr<StringBuffer> sb = make();
        VMPtr<Throwable> t =
            thrownBy([&] { sb->insert(offset, VMPtr<String>(String::make("x"))); });
        EXPECT_EQ(classNameOf(t), kSIOOBE);
        if (t) {
            EXPECT_EQ(t->getMessage(), nullptr);
        }
        t = thrownBy([&] { sb->insert(offset, u'x'); });
        EXPECT_EQ(classNameOf(t), kSIOOBE);
        if (t) {
            EXPECT_EQ(t->getMessage(), nullptr);
        }
        EXPECT_EQ(contents(sb), u"abc");
    }
}

TEST(StringBufferGetChars, ChecksTheRange) {
    VMPtr<StringBuffer> sb = StringBuffer::make("abcd");
    VMPtr<VMArray<jchar>> dst = VMArray<jchar>::create(4);
    sb->getChars(1, 3, dst, 1);
    EXPECT_EQ(std::u16string(dst->elements(), 4), std::u16string(u"\0bc\0", 4));
    struct Case {
        jint begin, end;
        const char* message;
    };
    const Case bad[] = {
        {2, 1, "srcBegin > srcEnd"},
        {-1, 2, "String index out of range: -1"},
        {0, 5, "String index out of range: 5"},
        {0, -1, "String index out of range: -1"},
    };
    for (const Case& c : bad) {
        SCOPED_TRACE(c.message);
        VMPtr<Throwable> t = thrownBy([&] { sb->getChars(c.begin, c.end, dst, 0); });
        EXPECT_EQ(classNameOf(t), kSIOOBE);
        if (t) {
            EXPECT_EQ(text(t->getMessage()), c.message);
        }
    }
    EXPECT_EQ(thrownName([&] { sb->getChars(0, 4, dst, 1); }),
              "java.lang.ArrayIndexOutOfBoundsException");
}

TEST(StringBufferDeathTest, AppendWithoutAConstructorEndsTheProcess) {
    VMPtr<StringBuffer> raw = StringBuffer::allocate();
    EXPECT_EXIT(raw->append(u'x'), ::testing::ExitedWithCode(1), "");
}

}  // namespace
