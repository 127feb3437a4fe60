// java.lang.String's native side: construction from UTF-8, literals,
// equality and hashing.
#include <gtest/gtest.h>

#include <string>

#include "VM.h"
#include "VMArray.h"
#include "java_lang_String.h"
#include "runtime/runtime_test_support.h"

using java::lang::Object;
using java::lang::String;
using wrentest::text;
using wrentest::thrownBy;

namespace {

std::u16string chars(const VMPtr<String>& s) {
    return std::u16string(s->value->elements() + s->offset, size_t(s->count));
}

// "abc" as a window of a larger shared array, the way substrings share.
VMPtr<String> window(const char16_t* whole, jint offset, jint count) {
    std::u16string all(whole);
    VMPtr<VMArray<jchar>> array = VMArray<jchar>::create(jint(all.size()));
    for (jint i = 0; i < array->length; ++i) array[i] = all[size_t(i)];
    VMPtr<String> s = String::allocate();
    s->ctor(offset, count, array);
    return s;
}

TEST(StringFromUtf8, DecodesAndEndsBeforeAMalformedLeadByte) {
    struct Case {
        std::string bytes;
        std::u16string expected;
    };
    const Case cases[] = {
        {"", u""},
        {"plain", u"plain"},
        {"\xE2\x82\xAC" "5", u"\x20AC" u"5"},
        {std::string("\xC0\x80", 2), std::u16string(1, u'\0')},
        {"\xC3\x41z", u"\x80z"},       // a broken pair is one U+0080
        {"ab\x80" "cd", u"ab"},         // stray continuation: the text ends there
        {"ok\xF0\x9F\x98\x80!", u"ok"},  // four-byte lead: likewise
        {"\x80", u""},
        {"x\xE2\x82", u"x\x80"},         // cut short at the end
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bytes);
        VMPtr<String> s = String::make(c.bytes.data(), jint(c.bytes.size()));
        EXPECT_EQ(s->length(), jint(c.expected.size()));
        EXPECT_EQ(chars(s), c.expected);
        EXPECT_EQ(s->value->length, s->count);
    }
    // From a NUL-terminated text, the length comes from strlen.
    EXPECT_EQ(chars(String::make("caf\xC3\xA9")), u"caf\xE9");
}

TEST(StringFromUtf8, ToUtf8IsModifiedUtf8) {
    const char16_t raw[] = {u'A', u'\0', u'\x20AC'};
    VMPtr<String> s = String::make(raw, 3);
    EXPECT_EQ(s->toUtf8(), std::string("A\xC0\x80\xE2\x82\xAC", 6));
    EXPECT_EQ(String::make("")->toUtf8(), "");
    // Round trip through the modified form keeps the NUL.
    std::string bytes = s->toUtf8();
    EXPECT_TRUE(String::make(bytes.data(), jint(bytes.size()))->equals(VMPtr<Object>(s)));
    // Only the window is encoded.
    EXPECT_EQ(window(u"xabcx", 1, 3)->toUtf8(), "abc");
}

TEST(StringLiterals, SameTextGivesTheSameObjectAtEveryCallSite) {
    String* first = WREN_LIT("shared literal");
    String* second = WREN_LIT("shared literal");
    String* other = WREN_LIT("another literal");
    EXPECT_EQ(first, second);
    EXPECT_NE(first, other);
    EXPECT_EQ(vmStringLiteral("shared literal").get(), first);
    EXPECT_EQ(vmStringLiteral(nullptr).get(), nullptr);

    // A call site looks its literal up once; it stays the same object and
    // alive across collections.
    auto site = [] { return WREN_LIT("from one site"); };
    String* once = site();
    VM::collect();
    EXPECT_EQ(site(), once);
    EXPECT_EQ(text(once), "from one site");

    // An equal String built at run time is equal but not the literal.
    VMPtr<String> built = String::make("shared literal");
    EXPECT_NE(built.get(), first);
    EXPECT_TRUE(built->equals(VMPtr<Object>(first)));
}

TEST(StringEquality, EqualsAndHashCode) {
    struct Case {
        const char* text;
        jint hash;
    };
    const Case cases[] = {
        {"", 0},
        {"a", 97},
        {"ab", 97 * 31 + 98},
        {"hello", 99162322},
        {"polygenelubricants", jint(0x80000000u)},  // the wrap to the most negative int
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        VMPtr<String> s = String::make(c.text);
        EXPECT_EQ(s->hashCode(), c.hash);
        // Recomputed, not remembered wrongly.
        EXPECT_EQ(s->hashCode(), c.hash);
        EXPECT_TRUE(s->equals(VMPtr<Object>(String::make(c.text))));
        EXPECT_TRUE(s->equals(c.text));
    }

    VMPtr<String> abc = String::make("abc");
    EXPECT_TRUE(abc->equals(VMPtr<Object>(abc)));
    EXPECT_FALSE(abc->equals(VMPtr<Object>(String::make("abd"))));
    EXPECT_FALSE(abc->equals(VMPtr<Object>(String::make("ab"))));
    EXPECT_FALSE(abc->equals(VMPtr<Object>(String::make("abcd"))));
    EXPECT_FALSE(abc->equals(VMPtr<Object>()));
    EXPECT_FALSE(abc->equals(VMPtr<Object>(VMArray<jchar>::of({u'a', u'b', u'c'}))));
    EXPECT_FALSE(abc->equals("ab"));
    EXPECT_FALSE(abc->equals("abcd"));
    EXPECT_FALSE(abc->equals("ab\x80"));

    // A window of a shared array compares and hashes by its own chars only.
    VMPtr<String> inner = window(u"xabcy", 1, 3);
    EXPECT_TRUE(inner->equals(VMPtr<Object>(abc)));
    EXPECT_TRUE(abc->equals(VMPtr<Object>(inner)));
    EXPECT_EQ(inner->hashCode(), abc->hashCode());
    EXPECT_TRUE(inner->equals("abc"));
    EXPECT_FALSE(window(u"xabcy", 0, 3)->equals(VMPtr<Object>(abc)));
    VMPtr<String> empty = window(u"xyz", 3, 0);
    EXPECT_TRUE(empty->equals(VMPtr<Object>(String::make(""))));
    EXPECT_EQ(empty->hashCode(), 0);
}

TEST(StringEquality, CharAtChecksTheIndexAgainstTheWindow) {
    VMPtr<String> inner = window(u"xabcy", 1, 3);
    EXPECT_EQ(inner->charAt(0), u'a');
    EXPECT_EQ(inner->charAt(2), u'c');
    for (jint index : {-1, 3, 4}) {
        SCOPED_TRACE(index);
        VMPtr<java::lang::Throwable> t = thrownBy([&] { inner->charAt(index); });
        EXPECT_EQ(wrentest::classNameOf(t), "java.lang.StringIndexOutOfBoundsException");
        if (t) {
            EXPECT_EQ(text(t->getMessage()), "String index out of range: " + std::to_string(index));
        }
    }
}

}  // namespace
