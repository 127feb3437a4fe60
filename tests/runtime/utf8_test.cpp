// The runtime's UTF-8 codec: (modified) encoding, lenient decoding, counting
// and comparison.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "VMUtf8.h"

namespace {

using Bytes = std::vector<uint8_t>;

std::string hex(const Bytes& b) {
    std::string out;
    char part[4];
    for (uint8_t v : b) {
        std::snprintf(part, sizeof part, "%02X ", v);
        out += part;
    }
    return out;
}

struct DecodeCase {
    Bytes in;
    std::u16string chars;  // what is stored
    bool ok;
    size_t consumed;
};

TEST(Utf8Decode, Table) {
    const DecodeCase cases[] = {
        {{0x41}, u"A", true, 1},
        {{0x7F}, u"\x7F", true, 1},
        {{0xC0, 0x80}, std::u16string(1, u'\0'), true, 2},  // overlong NUL is accepted
        {{0xC2, 0x80}, u"\x80", true, 2},
        {{0xDF, 0xBF}, u"\x7FF", true, 2},
        {{0xE0, 0xA0, 0x80}, u"\x800", true, 3},
        {{0xE2, 0x82, 0xAC}, u"\x20AC", true, 3},
        {{0xEF, 0xBF, 0xBF}, u"\xFFFF", true, 3},
        {{0xED, 0xA0, 0x80}, u"\xD800", true, 3},  // a surrogate is an ordinary unit
        // a broken pair gives U+0080 and is consumed whole
        {{0xC3, 0x41}, u"\x80", true, 2},
        {{0xC3, 0x41, 0x42}, u"\x80" u"B", true, 3},
        {{0xE2, 0x41, 0x82, 0x43}, u"\x80" u"C", true, 4},
        // cut short by the end of the input
        {{0xE2, 0x82}, u"\x80", true, 2},
        {{0x41, 0xC3}, u"A\x80", true, 2},
        // malformed leads: a U+0000 is stored for them, nothing is consumed
        {{0x80}, std::u16string(1, u'\0'), false, 0},
        {{0xBF, 0x41}, std::u16string(1, u'\0'), false, 0},
        {{0xF0, 0x9F, 0x98, 0x80}, std::u16string(1, u'\0'), false, 0},
        {{0xFF}, std::u16string(1, u'\0'), false, 0},
        {{0x41, 0x80, 0x42}, std::u16string(u"A\0", 2), false, 1},
        {{}, u"", true, 0},
    };
    for (const DecodeCase& c : cases) {
        SCOPED_TRACE(hex(c.in));
        std::u16string out(c.in.size() + 2, u'?');
        size_t capacity = out.size();
        bool ok = true;
        size_t consumed = vmDecodeUtf8(out.data(), capacity, c.in.data(), c.in.size(), ok);
        out.resize(capacity);
        EXPECT_EQ(out, c.chars);
        EXPECT_EQ(ok, c.ok);
        EXPECT_EQ(consumed, c.consumed);
    }
}

TEST(Utf8Decode, StopsWhenTheCapacityIsUsedUp) {
    const Bytes in = {0x61, 0xE2, 0x82, 0xAC, 0x62};
    std::u16string out(4, u'?');
    size_t capacity = 2;
    bool ok = false;
    size_t consumed = vmDecodeUtf8(out.data(), capacity, in.data(), in.size(), ok);
    EXPECT_EQ(capacity, 2u);
    EXPECT_EQ(consumed, 4u);
    EXPECT_TRUE(ok);
    EXPECT_EQ(out, u"a\x20AC??");
}

TEST(Utf8Decode, SingleCharWithNothingLeft) {
    const uint8_t byte = 0x41;
    const uint8_t* cursor = &byte;
    size_t remaining = 0;
    bool ok = true;
    EXPECT_EQ(vmUtf8DecodeChar(remaining, cursor, ok), u'\x80');
    EXPECT_TRUE(ok);
    EXPECT_EQ(cursor, &byte);
}

TEST(Utf8Count, CountsByLeadBytes) {
    struct Case {
        Bytes in;
        size_t count;
        bool ok;
    };
    const Case cases[] = {
        {{0x41, 0xC3, 0xA9, 0xE2, 0x82, 0xAC}, 3, true},
        {{0xC3, 0x41}, 1, true},               // continuation bytes are not examined
        {{0xE2}, 1, true},                     // runs past the end: still one char
        {{0x41, 0x80, 0x41}, 1, false},        // stops at a stray continuation
        {{0x41, 0x42, 0xF0, 0x9F, 0x98, 0x80}, 2, false},
        {{0xF8}, 0, false},
        {{}, 0, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(hex(c.in));
        bool ok = !c.ok;
        EXPECT_EQ(vmUtf8CharCount(c.in.data(), c.in.size(), ok), c.count);
        EXPECT_EQ(ok, c.ok);
    }
}

TEST(Utf8Encode, CharTable) {
    struct Case {
        char16_t c;
        Bytes modified;
        Bytes plain;
    };
    const Case cases[] = {
        {u'\0', {0xC0, 0x80}, {0x00}},
        {u'A', {0x41}, {0x41}},
        {u'\x7F', {0x7F}, {0x7F}},
        {u'\x80', {0xC2, 0x80}, {0xC2, 0x80}},
        {u'\x7FF', {0xDF, 0xBF}, {0xDF, 0xBF}},
        {u'\x800', {0xE0, 0xA0, 0x80}, {0xE0, 0xA0, 0x80}},
        {u'\x20AC', {0xE2, 0x82, 0xAC}, {0xE2, 0x82, 0xAC}},
        {u'\xD800', {0xED, 0xA0, 0x80}, {0xED, 0xA0, 0x80}},
        {u'\xFFFF', {0xEF, 0xBF, 0xBF}, {0xEF, 0xBF, 0xBF}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "U+" << std::hex << unsigned(c.c));
        for (bool modified : {true, false}) {
            const Bytes& expected = modified ? c.modified : c.plain;
            EXPECT_EQ(vmUtf8Length(&c.c, 1, modified), expected.size());
            char buffer[4] = {0x55, 0x55, 0x55, 0x55};
            char* cursor = buffer;
            int64_t left = vmUtf8EncodeChar(c.c, 4, cursor, modified);
            EXPECT_EQ(left, int64_t(4 - expected.size()));
            EXPECT_EQ(size_t(cursor - buffer), expected.size());
            EXPECT_EQ(Bytes(buffer, buffer + expected.size()), expected);

            // One byte short: nothing written, the shortfall returned.
            char tight[4] = {0x55, 0x55, 0x55, 0x55};
            char* at = tight;
            int64_t room = int64_t(expected.size()) - 1;
            if (room > 0) {
                EXPECT_EQ(vmUtf8EncodeChar(c.c, room, at, modified), -1);
                EXPECT_EQ(at, tight);
                EXPECT_EQ(tight[0], 0x55);
            }
        }
    }
    // No room at all: the remaining value comes back unchanged.
    char b = 0x55;
    char* at = &b;
    EXPECT_EQ(vmUtf8EncodeChar(u'A', 0, at, true), 0);
    EXPECT_EQ(vmUtf8EncodeChar(u'A', -3, at, true), -3);
    EXPECT_EQ(at, &b);
}

TEST(Utf8Encode, ModifiedNulInText) {
    const char16_t chars[] = {u'A', u'\0'};
    EXPECT_EQ(vmUtf8Length(chars, 2, true), 3u);
    EXPECT_EQ(vmUtf8Length(chars, 2, false), 2u);
    EXPECT_EQ(vmUtf8Length(chars, 0, true), 0u);
    EXPECT_EQ(vmUtf8Length(chars, -1, true), 0u);

    char out[8];
    size_t capacity = sizeof out;
    EXPECT_EQ(vmEncodeUtf8(out, capacity, chars, 2, true, true), 2);
    EXPECT_EQ(capacity, 3u);
    EXPECT_EQ(Bytes(out, out + 4), (Bytes{0x41, 0xC0, 0x80, 0x00}));

    capacity = sizeof out;
    EXPECT_EQ(vmEncodeUtf8(out, capacity, chars, 2, false, false), 2);
    EXPECT_EQ(capacity, 2u);
    EXPECT_EQ(Bytes(out, out + 2), (Bytes{0x41, 0x00}));
}

TEST(Utf8Encode, StopsAtTheFirstCharThatDoesNotFit) {
    const char16_t chars[] = {u'a', u'\x20AC', u'b'};
    struct Case {
        size_t capacity;
        bool terminate;
        jint encoded;
        Bytes written;  // including the terminator when there is one
    };
    const Case cases[] = {
        {8, true, 3, {0x61, 0xE2, 0x82, 0xAC, 0x62, 0x00}},
        {6, true, 3, {0x61, 0xE2, 0x82, 0xAC, 0x62, 0x00}},
        {5, true, 2, {0x61, 0xE2, 0x82, 0xAC, 0x00}},
        {4, true, 1, {0x61, 0x00}},  // 'b' would fit, but the euro sign came first
        {4, false, 2, {0x61, 0xE2, 0x82, 0xAC}},
        {3, false, 1, {0x61}},
        {1, true, 0, {0x00}},
        {0, false, 0, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "capacity " << c.capacity << (c.terminate ? " +NUL" : ""));
        char out[10];
        std::fill(std::begin(out), std::end(out), char(0x55));
        size_t capacity = c.capacity;
        EXPECT_EQ(vmEncodeUtf8(out, capacity, chars, 3, true, c.terminate), c.encoded);
        EXPECT_EQ(capacity, c.written.size() - (c.terminate ? 1 : 0));
        EXPECT_EQ(Bytes(out, out + c.written.size()), c.written);
        EXPECT_EQ(uint8_t(out[c.written.size()]), 0x55) << "wrote past the end";
    }
}

TEST(Utf8Equals, ComparesDecodedTextAndLength) {
    struct Case {
        Bytes bytes;
        std::u16string chars;
        bool equal;
    };
    const Case cases[] = {
        {{0x61, 0x62, 0x63}, u"abc", true},
        {{0x61, 0x62}, u"abc", false},
        {{0x61, 0x62, 0x63}, u"ab", false},
        {{}, u"", true},
        {{}, u"a", false},
        {{0xE2, 0x82, 0xAC}, u"\x20AC", true},
        {{0xC0, 0x80}, std::u16string(1, u'\0'), true},
        {{0xC3, 0x41}, u"\x80", true},
        {{0x80}, std::u16string(1, u'\0'), false},  // malformed never equals
        {{0x61, 0x80}, u"a", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(hex(c.bytes));
        EXPECT_EQ(vmUtf8Equals(c.bytes.data(), c.bytes.size(), c.chars.data(), jint(c.chars.size())),
                  c.equal);
    }
}

}  // namespace
