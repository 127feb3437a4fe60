// Text tables: the modified UTF-8 decoder over every form and a sequence
// cut at the end of its text, lookups into buffers, the 16-bit offsets up
// to an entry of 65535 bytes, refused lengths and sizes, and loading by id.
#include "Pack.h"
#include "TextTable.h"
#include "java_io_ByteArrayInputStream.h"
#include "java_io_IOException.h"
#include "support/java_bytes.h"
#include "text_support.h"
#include "wren_util_text_StringHelper.h"
#include "wren_util_text_Translation.h"

using namespace textfw;
using java::lang::StringBuffer;
using wren::util::text::StringHelper;
using wren::util::text::Translation;
using wrentest::Bytes;
using wrentest::jbytes;

namespace {

VMPtr<Translation> tableOf(const Bytes& entry) {
    VMPtr<VMArray<jbyte>> b = jbytes(entry);
    return Translation::make(wren::Resources::openStream(b, 0, b->length), b->length);
}

std::u16string decoded(const Bytes& bytes) {
    VMPtr<StringBuffer> sb = StringBuffer::make();
    Translation::decodeUtf8(jbytes(bytes), 0, jint(bytes.size()), sb, 0);
    return u16(sb->toString());
}

// A table of the given texts' raw bytes, each with its length.
Bytes rawTable(const std::vector<Bytes>& texts) {
    Bytes out{uint8_t(texts.size() >> 8), uint8_t(texts.size())};
    for (const Bytes& t : texts) {
        out.push_back(uint8_t(t.size() >> 8));
        out.push_back(uint8_t(t.size()));
        out.insert(out.end(), t.begin(), t.end());
    }
    return out;
}

TEST(TextDecoder, EveryFormAndWhatIsNotOne) {
    struct Case {
        const char* name;
        Bytes bytes;
        std::u16string text;
    } cases[] = {
        {"ASCII", {'H', 'i'}, u"Hi"},
        {"U+0000 in two bytes", {0xC0, 0x80}, std::u16string(1, u'\0')},
        {"a raw 0x00", {'a', 0x00}, std::u16string(u"a\0", 2)},
        {"two bytes", {0xC3, 0xA9}, u"\u00E9"},
        {"three bytes", {0xE2, 0x82, 0xAC}, u"\u20AC"},
        {"a surrogate pair as two 3-byte forms",
         {0xED, 0xA0, 0xBD, 0xED, 0xB8, 0x80},
         u"\U0001F600"},
        {"after ASCII", {'a', 0xC3, 0xA9, 'b'}, u"a\u00E9b"},
        {"a lone continuation byte", {0x80, 'x'}, std::u16string(u"\0x", 2)},
        {"a 4-byte lead", {0xF0, 'x'}, std::u16string(u"\0x", 2)},
        {"a 2-byte form cut at the end", {'a', 0xC3}, std::u16string(u"a\0", 2)},
        {"a 3-byte form cut after two", {'a', 0xE2, 0x82}, std::u16string(u"a\0", 2)},
        {"a 3-byte form cut after one", {0xE2}, std::u16string(1, u'\0')},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(decoded(c.bytes), c.text);
    }
}

// The cut sequence stops at its own text: the next text's bytes are not
// taken as its continuation.
TEST(TextDecoder, ACutSequenceDoesNotReachTheNextText) {
    VMPtr<Translation> t = tableOf(rawTable({{'a', 0xE2}, {0x82, 0xAC}}));
    EXPECT_EQ(u16(t->getString(0)), std::u16string(u"a\0", 2));
    EXPECT_EQ(u16(t->getString(1)), std::u16string(u"\0\0", 2));
}

TEST(TextDecoder, ARangeOutsideTheBytesInsertsNothing) {
    VMPtr<VMArray<jbyte>> b = jbytes({'a', 'b', 'c'});
    VMPtr<StringBuffer> sb = StringBuffer::make(WREN_LIT("x"));
    for (auto [off, len] : {std::pair{2, 2}, {-1, 1}, {0, -1}, {4, 0}}) {
        EXPECT_EQ(thrownName([&] { Translation::decodeUtf8(b, off, len, sb, 0); }),
                  "java.lang.ArrayIndexOutOfBoundsException");
    }
    EXPECT_EQ(sb->toString()->toUtf8(), "x");
}

TEST(TextTable, LooksTextsUpIntoBuffersAndKeepsThemOnceDecoded) {
    std::u16string long129(129, u'q'), long128(128, u'p');
    VMPtr<Translation> t =
        tableOf(rpack::encodeTextTable({u"c", u"", u"h\u00E9llo", long129, long128}));
    EXPECT_EQ(t->count, 5);
    EXPECT_EQ(u16(t->getString(2)), u"h\u00E9llo");
    EXPECT_EQ(t->getLength(2), 6);
    EXPECT_EQ(t->getOffset(3), 7);
    EXPECT_EQ(u16(t->getString(1)), u"");

    VMPtr<StringBuffer> sb = StringBuffer::make(WREN_LIT("ab"));
    EXPECT_EQ(t->appendString(0, sb)->toString()->toUtf8(), "abc");
    sb = StringBuffer::make(WREN_LIT("ab"));
    EXPECT_EQ(t->insertString(0, sb, 1)->toString()->toUtf8(), "acb");
    EXPECT_EQ(t->getString(0, sb)->toString()->toUtf8(), "c");
    EXPECT_EQ(t->insertString(1, sb, 1)->toString()->toUtf8(), "c");
    EXPECT_EQ(thrownName([&] { t->insertString(0, sb, 5); }),
              "java.lang.StringIndexOutOfBoundsException");
    EXPECT_EQ(sb->toString()->toUtf8(), "c");

    // A String from the shared buffer stays what it was.
    VMPtr<java::lang::String> shortText = t->getString(4);
    VMPtr<java::lang::String> longText = t->getString(3);
    t->getString(0);
    EXPECT_EQ(u16(shortText), long128);
    EXPECT_EQ(u16(longText), long129);

    for (jint id : {-1, 5})
        EXPECT_EQ(thrownName([&] { t->getString(id); }),
                  "java.lang.ArrayIndexOutOfBoundsException");

    t->decodeAll();
    EXPECT_TRUE(t->pool == nullptr && t->offsets16 == nullptr && t->offsets32 == nullptr);
    VMPtr<java::lang::String> first = t->getString(2);
    EXPECT_TRUE(first == t->getString(2));
    EXPECT_EQ(u16(first), u"h\u00E9llo");
    EXPECT_EQ(u16(t->getString(3)), long129);
    sb = StringBuffer::make(WREN_LIT("ab"));
    EXPECT_EQ(t->insertString(0, sb, 1)->toString()->toUtf8(), "acb");
    EXPECT_EQ(thrownName([&] { t->getString(5); }), "java.lang.ArrayIndexOutOfBoundsException");
}

TEST(TextTable, AnEmptyTableHasNoTexts) {
    VMPtr<Translation> t = tableOf(rpack::encodeTextTable({}));
    EXPECT_EQ(t->count, 0);
    EXPECT_EQ(t->pool->length, 0);
    EXPECT_EQ(thrownName([&] { t->getString(0); }), "java.lang.ArrayIndexOutOfBoundsException");
}

// 16-bit offsets up to an entry of 65535 bytes; above it 32-bit ones, and
// texts past 65535 bytes into the pool still read right.
TEST(TextTable, OffsetWidthFollowsTheEntrySize) {
    struct Case {
        std::vector<int> lengths;
        bool wide;
    } cases[] = {
        {{32767, 32762}, false},        // 2 + 2 * 2 + 65529 = 65535
        {{32767, 32763}, true},         // 65536
        {{32767, 32767, 32767}, true},  // the last text starts at 65534
    };
    for (const Case& c : cases) {
        std::vector<std::u16string> texts;
        size_t size = 2;
        for (size_t i = 0; i < c.lengths.size(); ++i) {
            texts.emplace_back(size_t(c.lengths[i]), char16_t(u'a' + i));
            size += 2 + size_t(c.lengths[i]);
        }
        SCOPED_TRACE(size);
        Bytes entry = rpack::encodeTextTable(texts);
        ASSERT_EQ(entry.size(), size);
        VMPtr<Translation> t = tableOf(entry);
        EXPECT_EQ(t->offsets32 != nullptr, c.wide);
        EXPECT_EQ(t->offsets16 != nullptr, !c.wide);
        for (size_t i = 0; i < texts.size(); ++i)
            EXPECT_TRUE(u16(t->getString(jint(i))) == texts[i]);
    }
}

// Lengths the entry can't hold are refused as a whole: no table with later
// texts on the wrong bytes.
TEST(TextTable, RefusesLengthsTheEntryCannotHold) {
    struct Case {
        const char* name;
        Bytes entry;
        jint size;  // -1: the entry's own
        const char* thrown;
    } cases[] = {
        {"a negative length", {0, 2, 0xFF, 0xFF, 0, 1, 'a'}, -1, "java.io.IOException"},
        {"a length past the entry", {0, 2, 0, 2, 'a', 'b', 0, 9, 'c'}, -1, "java.io.IOException"},
        {"a count the entry can't hold", {0, 9, 0, 1, 'a'}, -1, "java.io.IOException"},
        {"a size smaller than the texts", {0, 1, 0, 3, 'a', 'b', 'c'}, 6, "java.io.IOException"},
        {"bytes cut short of the size", {0, 1, 0, 3, 'a'}, 7, "java.io.EOFException"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        VMPtr<VMArray<jbyte>> b = jbytes(c.entry);
        jint size = c.size < 0 ? b->length : c.size;
        EXPECT_EQ(thrownName([&] {
                      Translation::make(wren::Resources::openStream(b, 0, b->length), size);
                  }),
                  c.thrown);
    }
    // Bytes beyond the texts are only unused pool.
    VMPtr<Translation> t = tableOf({0, 1, 0, 1, 'a', 'z', 'z'});
    EXPECT_EQ(u16(t->getString(0)), u"a");
}

// The pool is sized from the entry's size: a size larger than the stream
// delivers is refused before anything is allocated for it, whether given
// directly or by a pack index that lies about the entry.
TEST(TextTable, RefusesASizeTheStreamCannotDeliver) {
    Bytes entry = rpack::encodeTextTable({u"ok"});
    VMPtr<VMArray<jbyte>> b = jbytes(entry);
    for (jint size : {jint(entry.size()) + 1, 1000, 0x7FFFFFF0}) {
        SCOPED_TRACE(size);
        VMPtr<java::lang::Throwable> t = wrentest::thrownBy(
            [&] { Translation::make(wren::Resources::openStream(b, 0, b->length), size); });
        EXPECT_EQ(wrentest::classNameOf(t), "java.io.EOFException");
        EXPECT_TRUE(vmCast<java::io::IOException>(t) != nullptr);
        EXPECT_EQ(wrentest::text(t ? t->getMessage() : nullptr),
                  "text table: size past the data (" + std::to_string(size) + " bytes, 6 held)");
    }

    // A pack whose index says 0x7FFFFFF0 bytes for a six-byte table.
    rpack::ByteWriter pack;
    pack.u8(0x41);
    pack.u16(1);
    pack.s32(0x7FFFFFF0);
    pack.u8(uint8_t(-6));
    pack.s32(jint(entry.size()));
    pack.bytes(entry);
    VMPtr<VMArray<jbyte>> packBytes = jbytes(pack.take());
    ASSERT_TRUE(wren::Resources::loadPack(
        java::io::DataInputStream::make(java::io::ByteArrayInputStream::make(packBytes))));
    EXPECT_EQ(thrownName([] { wren::Resources::loadTranslation(0); }), "java.io.EOFException");
    wren::Resources::closePack();
}

TEST(TextTable, LoadsByIdFromAPack) {
    Bytes pack = rpack::encodePlainPack(
        {{{1, 2, 3}, -1}, {rpack::encodeTextTable({u"[L0] Play", u"\u20AC 5"}), -6}});
    VMPtr<VMArray<jbyte>> b = jbytes(pack);
    ASSERT_TRUE(wren::Resources::loadPack(
        java::io::DataInputStream::make(java::io::ByteArrayInputStream::make(b))));
    VMPtr<Translation> t = wren::Resources::loadTranslation(1);
    EXPECT_EQ(t->count, 2);
    EXPECT_EQ(u16(t->getString(0)), u"[L0] Play");
    EXPECT_EQ(u16(t->getString(1)), u"\u20AC 5");
    // Three bytes that are no table: the count asks for more than there is.
    EXPECT_EQ(thrownName([] { wren::Resources::loadTranslation(0); }), "java.io.IOException");
    wren::Resources::closePack();
}

TEST(StringHelper, LastIndexOfWithinARange) {
    struct Case {
        const char16_t* s;
        jchar c;
        jint from, to, found;
    } cases[] = {
        {u"a-b-c", u'-', 0, 4, 3}, {u"a-b-c", u'-', 0, 2, 1}, {u"a-b-c", u'-', 2, 2, -1},
        {u"a-b-c", u'a', 0, 4, 0}, {u"", u'x', 5, 4, -1},     {u"a\uFFFFb", u'\uFFFF', 0, 2, 1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(StringHelper::lastIndexOf(jstr(c.s), c.c, c.from, c.to), c.found) << c.to;
    EXPECT_EQ(thrownName([] { StringHelper::lastIndexOf(jstr(u"abc"), u'a', 0, 3); }),
              "java.lang.StringIndexOutOfBoundsException");
}

}  // namespace
