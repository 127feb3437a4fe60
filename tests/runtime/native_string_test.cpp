// Native strings: the bridge's reference-counted UTF-16 text and the
// status-returning operations the runtime reads it with.
#include <gtest/gtest.h>

#include <string>

#include "HAL_status.h"
#include "HAL_strings.h"

namespace {

// Releases a native string at the end of the scope.
struct Held {
    NativeString* s;
    explicit Held(NativeString* string) : s(string) {}
    ~Held() {
        if (s) s->release();
    }
    Held(const Held&) = delete;
    Held& operator=(const Held&) = delete;
    NativeString* operator->() const { return s; }
};

std::u16string textOf(const NativeString* s) {
    return s->buffer() ? std::u16string(s->buffer(), size_t(s->length())) : u"<none>";
}

TEST(NativeString, FactoriesCopyTheirText) {
    jchar source[] = u"abc";
    Held fromText(NativeString::fromCString(source));
    Held fromChars(NativeString::fromChars(source, 2));
    Held copy(NativeString::copyOf(*fromText.s));
    source[0] = u'X';  // the strings hold copies
    EXPECT_EQ(textOf(fromText.s), u"abc");
    EXPECT_EQ(textOf(fromChars.s), u"ab");
    EXPECT_EQ(fromChars->buffer()[2], 0);  // NUL-terminated
    EXPECT_EQ(textOf(copy.s), u"abc");
    EXPECT_NE(copy->buffer(), fromText->buffer());

    struct Range {
        jint begin, end;
        const char16_t* text;
    };
    for (const Range& r : {Range{1, 3, u"bc"}, Range{0, 0, u""}, Range{-2, 1, u"a"},
                           Range{2, 9, u"c"}, Range{3, 1, u""}}) {
        SCOPED_TRACE(std::to_string(r.begin) + ".." + std::to_string(r.end));
        Held sub(NativeString::substringOf(*fromText.s, r.begin, r.end));
        EXPECT_EQ(textOf(sub.s), r.text);
    }

    // Empty strings: from nothing there is no buffer at all.
    Held none(NativeString::fromChars(nullptr, 5));
    Held empty(NativeString::fromChars(u"xyz", 0));
    Held nullText(NativeString::fromCString(nullptr));
    EXPECT_EQ(none->length(), 0);
    EXPECT_EQ(none->buffer(), nullptr);
    EXPECT_EQ(textOf(empty.s), u"");
    EXPECT_EQ(textOf(nullText.s), u"");
}

TEST(NativeString, Queries) {
    Held s(NativeString::fromChars(u"abcab\0d", 7));
    Held none(NativeString::fromChars(nullptr, 0));
    EXPECT_EQ(s->length(), 7);
    EXPECT_EQ(s->charAt(1), u'b');
    EXPECT_EQ(s->charAt(7), 0);
    EXPECT_EQ(s->charAt(-1), 0);
    EXPECT_EQ(s->indexOf(u'b', 0), 1);
    EXPECT_EQ(s->indexOf(u'b', 2), 4);
    EXPECT_EQ(s->indexOf(u'b', -3), 1);
    EXPECT_EQ(s->indexOf(u'd', 0), 6);  // past an embedded U+0000
    EXPECT_EQ(s->indexOf(u'z', 0), -1);
    EXPECT_EQ(s->lastIndexOf(u'a'), 3);
    EXPECT_EQ(none->indexOf(u'a', 0), -1);
    EXPECT_EQ(none->lastIndexOf(u'a'), -1);
    EXPECT_EQ(none->charAt(0), 0);
}

TEST(NativeString, EqualsComparesEveryUnit) {
    Held a(NativeString::fromChars(u"ab\0c", 4));
    Held same(NativeString::fromChars(u"ab\0c", 4));
    Held differsAfterNul(NativeString::fromChars(u"ab\0d", 4));
    Held prefix(NativeString::fromChars(u"ab", 2));
    Held none(NativeString::fromChars(nullptr, 0));
    Held empty(NativeString::fromChars(u"", 0));
    EXPECT_TRUE(a->equals(a.s));
    EXPECT_TRUE(a->equals(same.s));
    EXPECT_FALSE(a->equals(differsAfterNul.s));
    EXPECT_FALSE(a->equals(prefix.s));
    EXPECT_FALSE(prefix->equals(a.s));
    EXPECT_FALSE(a->equals(nullptr));
    EXPECT_TRUE(none->equals(empty.s));
    EXPECT_FALSE(none->equals(a.s));
}

TEST(NativeString, AppendMakesOneLongerString) {
    Held s(NativeString::fromChars(nullptr, 0));
    Held tail(NativeString::fromCString(u"cd"));
    EXPECT_TRUE(s->append(static_cast<const jchar*>(nullptr)));
    EXPECT_TRUE(s->append(u""));
    EXPECT_EQ(s->buffer(), nullptr);  // nothing appended, nothing made
    EXPECT_TRUE(s->append(u"ab"));
    EXPECT_TRUE(s->append(tail.s));
    EXPECT_EQ(textOf(s.s), u"abcd");
    EXPECT_TRUE(s->append(s.s));  // onto itself
    EXPECT_EQ(textOf(s.s), u"abcdabcd");
    EXPECT_EQ(s->buffer()[8], 0);
    EXPECT_TRUE(s->append(static_cast<const NativeString*>(nullptr)));
    EXPECT_EQ(textOf(tail.s), u"cd");
}

TEST(NativeString, BridgeOperationsCheckTheirArguments) {
    NativeString* s = NativeString::fromChars(u"hey", 3);
    NativeString* none = NativeString::fromChars(nullptr, 0);
    NativeString* empty = NativeString::fromChars(u"", 0);
    jint n = -1;
    jchar buffer[4] = {u'#', u'#', u'#', u'#'};

    EXPECT_EQ(HAL_getStringLength(s, &n), HAL_OK);
    EXPECT_EQ(n, 3);
    EXPECT_EQ(HAL_getStringCharacters(s, buffer), HAL_OK);
    EXPECT_EQ(std::u16string(buffer, 4), u"hey#");  // no terminator copied

    EXPECT_EQ(HAL_getStringLength(nullptr, &n), HAL_BAD_ARGUMENT);
    EXPECT_EQ(HAL_getStringLength(s, nullptr), HAL_BAD_ARGUMENT);
    EXPECT_EQ(HAL_getStringCharacters(nullptr, buffer), HAL_BAD_ARGUMENT);
    EXPECT_EQ(HAL_getStringCharacters(s, nullptr), HAL_BAD_ARGUMENT);
    EXPECT_EQ(HAL_getStringCharacters(none, buffer), HAL_BAD_ARGUMENT);
    buffer[0] = u'#';
    EXPECT_EQ(HAL_getStringCharacters(empty, buffer), HAL_OK);
    EXPECT_EQ(buffer[0], u'#');
    EXPECT_EQ(HAL_getStringLength(none, &n), HAL_OK);
    EXPECT_EQ(n, 0);

    // Each reference is released once; the last release frees the string
    // (the leak checker reports any string left over).
    s->addRef();
    EXPECT_EQ(HAL_releaseString(s), HAL_OK);
    EXPECT_EQ(HAL_getStringLength(s, &n), HAL_OK);  // still held
    EXPECT_EQ(HAL_releaseString(s), HAL_OK);
    EXPECT_EQ(HAL_releaseString(none), HAL_OK);
    EXPECT_EQ(HAL_releaseString(empty), HAL_OK);
    EXPECT_EQ(HAL_releaseString(nullptr), HAL_BAD_ARGUMENT);
}

}  // namespace
