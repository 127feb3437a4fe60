// java.lang.String's Java side: the byte and char constructors with their
// encodings, searching and comparing, the derived Strings that share or copy
// their array, valueOf, and the runtime's UTF-8 copies of a String.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "HAL_strings.h"
#include "VMArray.h"
#include "VMCString.h"
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

VMPtr<String> str(const char* utf8) {
    return String::make(utf8);
}

std::u16string chars(const VMPtr<String>& s) {
    return std::u16string(s->value->elements() + s->offset, size_t(s->count));
}

VMPtr<VMArray<jbyte>> bytesOf(const std::string& raw) {
    VMPtr<VMArray<jbyte>> a = VMArray<jbyte>::create(jint(raw.size()));
    for (jint i = 0; i < a->length; ++i) a[i] = jbyte(raw[size_t(i)]);
    return a;
}

VMPtr<VMArray<jchar>> charArray(const std::u16string& units) {
    VMPtr<VMArray<jchar>> a = VMArray<jchar>::create(jint(units.size()));
    for (jint i = 0; i < a->length; ++i) a[i] = units[size_t(i)];
    return a;
}

// "abc" inside "[abc]": a String whose window does not start at 0 and does
// not reach the end of its array, as a substring's does.
VMPtr<String> windowed(const char* inner) {
    std::string whole = std::string("[") + inner + "]";
    VMPtr<String> all = str(whole.c_str());
    return all->substring(1, all->length() - 1);
}

// What a thrown exception says: its class and message ("<null>" for none).
struct Thrown {
    std::string name;
    std::string message;
};
template <class F>
Thrown thrownWith(F&& body) {
    VMPtr<Throwable> t = thrownBy(std::forward<F>(body));
    return {classNameOf(t), t ? text(t->getMessage()) : std::string("<null>")};
}

constexpr const char* kSIOOBE = "java.lang.StringIndexOutOfBoundsException";
constexpr const char* kIOOBE = "java.lang.IndexOutOfBoundsException";
constexpr const char* kNPE = "java.lang.NullPointerException";

TEST(StringFromBytes, DecodesByEncodingName) {
    struct Case {
        std::string bytes;
        const char* encoding;
        std::optional<std::u16string> expected;  // none: it throws
        const char* exception = nullptr;
        const char* message = nullptr;
    };
    const char* kMalformed = "Improperly formatted UTF-8 string.";
    const Case cases[] = {
        {std::string("\xC0\x80", 2), "UTF-8", std::u16string(1, u'\0')},
        {"\xE2\x82\xAC", "UTF-8", u"\x20AC"},
        {"caf\xC3\xA9", "UTF8", u"caf\xE9"},
        {"\xED\xA0\x80", "UTF-8", u"\xD800"},  // a surrogate is an ordinary unit
        {"\xC3\x41", "UTF-8", u"\x80"},        // a broken pair is consumed whole
        {"A\xC3", "UTF-8", u"A\x80"},          // cut short by the end
        {"", "UTF-8", u""},
        {"\x80", "UTF-8", std::nullopt, "java.lang.RuntimeException", kMalformed},
        {"ok\xF0\x9F\x98\x80", "UTF-8", std::nullopt, "java.lang.RuntimeException", kMalformed},
        {"\xE9", "ISO-8859-1", u"\xE9"},
        {std::string("\xFF\x00\x41", 3), "ISO8859_1", std::u16string(u"\xFF\0A", 3)},
        {"\x80\x7F", "US-ASCII", u"\x80\x7F"},  // every byte keeps its unsigned value
        {"\xC3\xA9", "ASCII", u"\xC3\xA9"},
        {"\xE9", "iso-8859-1", std::nullopt, "java.io.UnsupportedEncodingException", "iso-8859-1"},
        {"a", "utf-8", std::nullopt, "java.io.UnsupportedEncodingException", "utf-8"},
        {"a", "UTF-16", std::nullopt, "java.io.UnsupportedEncodingException", "UTF-16"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.encoding) + " " + c.bytes);
        VMPtr<VMArray<jbyte>> bytes = bytesOf(c.bytes);
        VMPtr<String> made;
        Thrown t = thrownWith([&] { made = String::make(bytes, VMPtr<String>(str(c.encoding))); });
        if (c.expected) {
            EXPECT_EQ(t.name, "nothing");
            if (made) {
                EXPECT_EQ(chars(made), *c.expected);
                EXPECT_EQ(made->value->length, made->count);  // an array of its own, exactly sized
            }
        } else {
            EXPECT_EQ(t.name, c.exception);
            EXPECT_EQ(t.message, c.message);
        }
    }
}

TEST(StringFromBytes, RangeIsCheckedBeforeTheEncoding) {
    VMPtr<VMArray<jbyte>> four = bytesOf("xA\xC3\xA9");
    VMPtr<String> utf8 = str("UTF-8");
    struct Case {
        jint off, len;
        const char* message;
    };
    const Case bad[] = {
        {2, -1, "-1"}, {3, 2, "5"}, {-1, 0, "-1"}, {5, 0, "5"}, {1, 0x7fffffff, "-2147483648"},
    };
    for (const Case& c : bad) {
        SCOPED_TRACE(testing::Message() << c.off << ", " << c.len);
        Thrown t = thrownWith([&] { String::make(four, c.off, c.len, utf8); });
        EXPECT_EQ(t.name, kIOOBE);  // not the String subclass
        EXPECT_EQ(t.message, c.message);
        // Even with no encoding named, the range comes first.
        EXPECT_EQ(thrownName([&] { String::make(four, c.off, c.len, VMPtr<String>()); }), kIOOBE);
    }
    EXPECT_EQ(thrownName([&] { String::make(four, 0, 4, VMPtr<String>()); }), kNPE);
    EXPECT_EQ(thrownName([&] { String::make(VMPtr<VMArray<jbyte>>(), 0, 0, utf8); }), kNPE);
    EXPECT_EQ(thrownName([&] { String::make(VMPtr<VMArray<jbyte>>()); }), kNPE);

    // A range decodes only its own bytes; the shorter forms are UTF-8.
    EXPECT_EQ(chars(String::make(four, 1, 3, utf8)), u"A\xE9");
    EXPECT_EQ(chars(String::make(four, 1, 3)), u"A\xE9");
    EXPECT_EQ(chars(String::make(four, 4, 0)), u"");
    EXPECT_EQ(chars(String::make(four)), u"xA\xE9");
    EXPECT_EQ(thrownName([&] { String::make(four, 3, 1); }), "java.lang.RuntimeException");
    EXPECT_EQ(thrownName([&] { String::make(bytesOf("\xBF")); }), "java.lang.RuntimeException");
}

TEST(StringFromChars, CopiesTheRangeAndChecksIt) {
    VMPtr<VMArray<jchar>> source = charArray(u"hello");
    VMPtr<String> s = String::make(source, 1, 3);
    EXPECT_EQ(chars(s), u"ell");
    source[2] = u'X';  // the String has its own copy
    EXPECT_EQ(chars(s), u"ell");
    EXPECT_EQ(s->value->length, 3);
    EXPECT_EQ(chars(String::make(source, 5, 0)), u"");

    struct Case {
        jint off, count;
        const char* message;
    };
    const Case bad[] = {
        {-1, 2, "String index out of range: -1"},
        {0, -2, "String index out of range: -2"},
        {3, 3, "String index out of range: 6"},
        {6, 0, "String index out of range: 6"},
    };
    for (const Case& c : bad) {
        SCOPED_TRACE(testing::Message() << c.off << ", " << c.count);
        Thrown t = thrownWith([&] { String::make(source, c.off, c.count); });
        EXPECT_EQ(t.name, kSIOOBE);
        EXPECT_EQ(t.message, c.message);
    }
    EXPECT_EQ(thrownName([] { String::make(VMPtr<VMArray<jchar>>(), 0, 0); }), kNPE);
}

TEST(StringFromBuffer, SharesTheArrayAndTheBufferCopiesBeforeChanging) {
    VMPtr<StringBuffer> sb = StringBuffer::make("abc");
    VMPtr<String> s = String::make(sb);
    EXPECT_EQ(chars(s), u"abc");
    EXPECT_EQ(s->value.get(), sb->value.get());
    EXPECT_TRUE(sb->shared);
    sb->insert(0, u'x');
    sb->setLength(2);
    EXPECT_EQ(chars(s), u"abc");
    EXPECT_EQ(text(sb->toString()), "xa");
    EXPECT_EQ(thrownName([] { String::make(VMPtr<StringBuffer>()); }), kNPE);
}

TEST(StringSubstring, SharesTheArrayOrReturnsItself) {
    VMPtr<String> abc = str("abc");
    EXPECT_EQ(abc->substring(0, 3).get(), abc.get());
    EXPECT_EQ(abc->substring(0).get(), abc.get());
    VMPtr<String> bc = abc->substring(1);
    EXPECT_EQ(chars(bc), u"bc");
    EXPECT_EQ(bc->value.get(), abc->value.get());
    EXPECT_EQ(bc->offset, 1);
    EXPECT_EQ(chars(abc->substring(3)), u"");
    EXPECT_EQ(chars(abc->substring(1, 1)), u"");
    // A substring of a substring counts from its own start.
    VMPtr<String> c = bc->substring(1, 2);
    EXPECT_EQ(chars(c), u"c");
    EXPECT_EQ(c->offset, 2);
    EXPECT_EQ(c->value.get(), abc->value.get());

    struct Case {
        jint begin, end;
        const char* message;
    };
    const Case bad[] = {
        {-1, 2, "String index out of range: -1"},
        {0, 4, "String index out of range: 4"},
        {2, 1, "String index out of range: -1"},
        {3, 0, "String index out of range: -3"},
    };
    for (const Case& k : bad) {
        SCOPED_TRACE(testing::Message() << k.begin << ", " << k.end);
        Thrown t = thrownWith([&] { abc->substring(k.begin, k.end); });
        EXPECT_EQ(t.name, kSIOOBE);
        EXPECT_EQ(t.message, k.message);
    }
    EXPECT_EQ(thrownWith([&] { abc->substring(4); }).message, "String index out of range: -1");
    // Bounds are the window's, not the array's.
    EXPECT_EQ(thrownName([&] { bc->substring(0, 3); }), kSIOOBE);
}

TEST(StringSearch, IndexOfAndLastIndexOf) {
    // Expected values as OpenJDK 17 gives them.
    VMPtr<String> banana = str("banana");
    struct Case {
        const char* what;
        jint got, expected;
    };
    const Case cases[] = {
        {"indexOf a", banana->indexOf(u'a'), 1},
        {"indexOf a from -5", banana->indexOf(u'a', -5), 1},
        {"indexOf a from 2", banana->indexOf(u'a', 2), 3},
        {"indexOf a from 6", banana->indexOf(u'a', 6), -1},
        {"indexOf a from max", banana->indexOf(u'a', 0x7fffffff), -1},
        {"indexOf z", banana->indexOf(u'z'), -1},
        {"indexOf beyond a char", banana->indexOf(0x10061), -1},
        {"lastIndexOf a", banana->lastIndexOf(u'a'), 5},
        {"lastIndexOf a from 10", banana->lastIndexOf(u'a', 10), 5},
        {"lastIndexOf a from 4", banana->lastIndexOf(u'a', 4), 3},
        {"lastIndexOf a from -1", banana->lastIndexOf(u'a', -1), -1},
        {"lastIndexOf b from 0", banana->lastIndexOf(u'b', 0), 0},
        {"lastIndexOf in empty", str("")->lastIndexOf(u'a'), -1},
        // In a window, indexes count from the window's start and chars
        // outside it are never found.
        {"window indexOf [", windowed("banana")->indexOf(u'['), -1},
        {"window indexOf n", windowed("banana")->indexOf(u'n'), 2},
        {"window lastIndexOf ]", windowed("banana")->lastIndexOf(u']', 100), -1},
        {"window lastIndexOf b", windowed("banana")->lastIndexOf(u'b'), 0},
    };
    for (const Case& c : cases) EXPECT_EQ(c.got, c.expected) << c.what;
}

TEST(StringCompare, StartsWithRegionMatchesAndEqualsIgnoreCase) {
    VMPtr<String> abc = str("abc");
    VMPtr<String> hello = str("Hello World");
    struct Case {
        const char* what;
        bool got, expected;
    };
    const Case cases[] = {
        {"startsWith ab", abc->startsWith(str("ab")), true},
        {"startsWith abcd", abc->startsWith(str("abcd")), false},
        {"startsWith bc at 1", abc->startsWith(str("bc"), 1), true},
        {"startsWith empty at 3", abc->startsWith(str(""), 3), true},
        {"startsWith empty at 4", abc->startsWith(str(""), 4), false},
        {"startsWith a at -1", abc->startsWith(str("a"), -1), false},
        {"startsWith window", windowed("abc")->startsWith(windowed("ab")), true},
        {"startsWith past the window", windowed("ab")->startsWith(str("ab]")), false},
        {"regionMatches ignoring case", hello->regionMatches(true, 6, str("WORLD"), 0, 5), true},
        {"regionMatches with case", hello->regionMatches(false, 6, str("WORLD"), 0, 5), false},
        {"regionMatches len past end", abc->regionMatches(false, 1, str("bc"), 0, 5), false},
        {"regionMatches len -1", abc->regionMatches(false, 1, str("bc"), 0, -1), true},
        {"regionMatches len -1 at 4", abc->regionMatches(false, 4, str("bc"), 0, -1), true},
        {"regionMatches negative offset", abc->regionMatches(false, -1, str("bc"), 0, -1), false},
        {"regionMatches min len", abc->regionMatches(false, 0, str("bc"), 0, jint(0x80000000)),
         true},
        {"regionMatches no overflow",
         abc->regionMatches(false, 0x7fffffff, str("bc"), 0, jint(0x80000000)), true},
        {"regionMatches other too short", abc->regionMatches(false, 0, str("ab"), 1, 2), false},
        {"equalsIgnoreCase Latin-1",
         str("\xC3\xA9T\xC3\x89")->equalsIgnoreCase(str("\xC3\x89t\xC3\xA9")), true},
        {"equalsIgnoreCase windows", windowed("MiXeD")->equalsIgnoreCase(windowed("mixed")), true},
        {"equalsIgnoreCase differs", str("abc")->equalsIgnoreCase(str("abd")), false},
        {"equalsIgnoreCase length", str("ss")->equalsIgnoreCase(str("\xC3\x9F")), false},
        // Only the Latin-1 capitals: U+00FF has none, so it never meets U+0178.
        {"equalsIgnoreCase y diaeresis", str("\xC3\xBF")->equalsIgnoreCase(str("\xC5\xB8")), false},
        {"equalsIgnoreCase null", abc->equalsIgnoreCase(VMPtr<String>()), false},
    };
    for (const Case& c : cases) EXPECT_EQ(c.got, c.expected) << c.what;
    EXPECT_EQ(thrownName([&] { abc->startsWith(VMPtr<String>()); }), kNPE);
    EXPECT_EQ(thrownName([&] { abc->regionMatches(false, 0, VMPtr<String>(), 0, 1); }), kNPE);
}

TEST(StringDerived, TrimReplaceAndToLowerCase) {
    VMPtr<String> a = str("a");
    EXPECT_EQ(a->trim().get(), a.get());
    EXPECT_EQ(chars(str("  ")->trim()), u"");
    EXPECT_EQ(chars(str(" \t a b \n ")->trim()), u"a b");
    EXPECT_EQ(chars(str("")->trim()), u"");
    // Every char up to U+0020 is blank (U+0000 too); U+00A0 is not.
    const char16_t controls[] = {u'\0', u'\x1F', u'x', u' ', u'\x7F', u'\xA0', u'\x01'};
    EXPECT_EQ(chars(String::make(controls, 7)->trim()), u"x \x7F\xA0");
    VMPtr<String> trimmed = windowed(" mid ")->trim();
    EXPECT_EQ(chars(trimmed), u"mid");

    VMPtr<String> banana = str("banana");
    EXPECT_EQ(chars(banana->replace(u'a', u'o')), u"bonono");
    EXPECT_EQ(banana->replace(u'z', u'o').get(), banana.get());
    EXPECT_EQ(banana->replace(u'a', u'a').get(), banana.get());
    EXPECT_EQ(chars(windowed("aXa")->replace(u'a', u'[')), u"[X[");
    EXPECT_EQ(chars(banana), u"banana");

    // Expected values as OpenJDK 17 gives them for Latin-1 text.
    EXPECT_EQ(chars(str("HeLLo \xC3\x80\xC3\x97\xC3\x9E!")->toLowerCase()), u"hello \xE0\xD7\xFE!");
    for (const char* unchanged : {"abc", "", "123 \xC3\x9F\xC3\x97", "\xC4\x80"}) {
        VMPtr<String> s = str(unchanged);
        EXPECT_EQ(s->toLowerCase().get(), s.get()) << unchanged;
    }
    EXPECT_EQ(chars(windowed("aBC")->toLowerCase()), u"abc");
}

TEST(StringGetChars, CopiesTheWindowAndChecksBothSides) {
    VMPtr<String> s = windowed("abcd");
    VMPtr<VMArray<jchar>> dst = charArray(u"______");
    s->getChars(1, 3, dst, 2);
    EXPECT_EQ(std::u16string(dst->elements(), 6), u"__bc__");
    s->getChars(4, 4, dst, 6);  // nothing to copy, at the very end
    struct Case {
        jint begin, end;
        const char* message;  // the plain number
    };
    const Case bad[] = {{-1, 2, "-1"}, {0, 5, "5"}, {3, 1, "-2"}};
    for (const Case& c : bad) {
        SCOPED_TRACE(testing::Message() << c.begin << ", " << c.end);
        Thrown t = thrownWith([&] { s->getChars(c.begin, c.end, dst, 0); });
        EXPECT_EQ(t.name, kSIOOBE);
        EXPECT_EQ(t.message, c.message);
    }
    EXPECT_EQ(thrownName([&] { s->getChars(0, 4, dst, 3); }),
              "java.lang.ArrayIndexOutOfBoundsException");
    EXPECT_EQ(thrownName([&] { s->getChars(0, 1, dst, -1); }),
              "java.lang.ArrayIndexOutOfBoundsException");
    EXPECT_EQ(thrownName([&] { s->getChars(0, 1, VMPtr<VMArray<jchar>>(), 0); }), kNPE);
    EXPECT_EQ(std::u16string(dst->elements(), 6), u"__bc__");
}

TEST(StringValueOf, EveryOverload) {
    EXPECT_EQ(String::valueOf(VMPtr<Object>()).get(), WREN_LIT("null"));
    EXPECT_EQ(String::valueOf(true).get(), String::valueOf(true).get());
    EXPECT_EQ(String::valueOf(true).get(), WREN_LIT("true"));
    EXPECT_EQ(String::valueOf(false).get(), WREN_LIT("false"));
    EXPECT_EQ(text(String::valueOf(VMPtr<Object>(java::lang::Integer::make(-7)))), "-7");
    EXPECT_EQ(chars(String::valueOf(u'\x20AC')), u"\x20AC");
    EXPECT_EQ(chars(String::valueOf('q')), u"q");
    EXPECT_EQ(text(String::valueOf(jint(-42))), "-42");
    EXPECT_EQ(text(String::valueOf(jlong(123456789012))), "123456789012");
    EXPECT_EQ(text(String::valueOf(jfloat(0.1f))), "0.1");
    EXPECT_EQ(text(String::valueOf(jdouble(1234567.0))), "1.23457E+06");
    // A String passed any way is itself, never taken for a boolean.
    String* literal = WREN_LIT("as is");
    EXPECT_EQ(String::valueOf(literal).get(), literal);
    VMPtr<String> local = literal;
    EXPECT_EQ(String::valueOf(local).get(), literal);
    EXPECT_EQ(String::valueOf(static_cast<String*>(nullptr)).get(), WREN_LIT("null"));
}

TEST(StringToCString, AssignAndAppendTheModifiedForm) {
    const char16_t raw[] = {u'A', u'\0', u'\x20AC'};
    VMPtr<String> s = String::make(raw, 3);
    VMCString out;
    vmCStringAssign(out, s);
    EXPECT_EQ(std::string(out.c_str()), "A\xC0\x80\xE2\x82\xAC");
    vmCStringAppend(out, windowed("\xC3\xA9!"));
    EXPECT_EQ(std::string(out.c_str()), "A\xC0\x80\xE2\x82\xAC\xC3\xA9!");
    vmCStringAppend(out, str(""));
    EXPECT_EQ(std::string(out.c_str()), "A\xC0\x80\xE2\x82\xAC\xC3\xA9!");
    // Assigning the empty String empties the text rather than keeping the old one.
    vmCStringAssign(out, str(""));
    EXPECT_NE(out.get(), nullptr);
    EXPECT_EQ(std::string(out.c_str()), "");
    VMCString fresh;
    vmCStringAppend(fresh, str("k"));
    EXPECT_EQ(std::string(fresh.c_str()), "k");
    EXPECT_EQ(thrownName([&] { vmCStringAssign(out, VMPtr<String>()); }), kNPE);
    EXPECT_EQ(thrownName([&] { vmCStringAppend(out, VMPtr<String>()); }), kNPE);
}

TEST(StringFromNative, NegativeLengthsAndNullTextAreRefused) {
    EXPECT_EQ(thrownName([] { String::make("abc", -1); }), kSIOOBE);
    const char16_t one[] = {u'x'};
    EXPECT_EQ(thrownName([&] { String::make(one, -1); }), kSIOOBE);
    EXPECT_EQ(thrownName([] { String::make(static_cast<const char*>(nullptr)); }), kNPE);
    EXPECT_EQ(chars(String::make(static_cast<const char*>(nullptr), 0)), u"");
}

TEST(StringFromNative, BridgeHandles) {
    const char16_t units[] = {u'h', u'\xE9', u'\0', u'\x20AC'};
    NativeString* text = NativeString::fromChars(units, 4);
    ASSERT_NE(text, nullptr);
    VMPtr<String> s = String::make(text);
    HAL_releaseString(text);
    EXPECT_EQ(chars(s), std::u16string(units, 4));
    EXPECT_EQ(s->value->length, 4);
    // An empty handle made from nothing has no buffer; it is still a String.
    NativeString* empty = NativeString::fromChars(nullptr, 0);
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(chars(String::make(empty)), u"");
    HAL_releaseString(empty);
}

TEST(StringFromNativeDeathTest, AnUnreadableHandleEndsTheProcess) {
    EXPECT_EXIT(String::make(static_cast<NativeString*>(nullptr)), ::testing::ExitedWithCode(1), "");
}

}  // namespace
